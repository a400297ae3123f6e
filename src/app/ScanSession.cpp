#include "app/ScanSession.h"

#include "settings/AppNotification.h"

std::shared_ptr<ScanSession> ScanSession::create(std::vector<std::string> folders, ScanChoices choices,
                                                 Completion completion) {
    std::shared_ptr<ScanSession> session(new ScanSession());
    session->m_arrFolders = std::move(folders);
    session->m_choices = choices;
    session->m_completion = std::move(completion);
    return session;
}

void ScanSession::start() {
    m_resolved = m_choices.resolve();
    AppNotification::CreateScannerWillStartNotification();
    m_pScanner = FoldersScanner::create(m_arrFolders, weak_from_this());
    m_pScanner->includeHiddenFiles(m_resolved.includeHidden);
    m_pScanner->enableSearchDuplicatesFoldersAndSimilars(m_resolved.searchDuplicateFolders);
    if (m_resolved.automaticMinimalSize)
        m_pScanner->startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(m_resolved.fullHash);
    else
        m_pScanner->startScanAndUseMinimalFileSize(m_resolved.minimalSize, m_resolved.fullHash);
}

void ScanSession::stop(bool ignoreResult) {
    if (!m_pScanner) return;
    m_bStopped = true;
    m_pScanner->stopWithIgnoreResult(ignoreResult);
}

void ScanSession::onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> container) {
    if (m_completion) m_completion(std::move(container));
}
