#include "app/ScanSession.h"

#include <ctime>

#include "results/DuplicatesContainer.h"
#include "results/DuplicatesManager.h"
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
    DuplicatesManager& manager = DuplicatesManager::sharedManager();
    manager.clearScanBasicInformation();
    manager.scanStartDate = static_cast<std::int64_t>(std::time(nullptr));
    m_pScanner = FoldersScanner::create(m_arrFolders, weak_from_this());
    m_pScanner->includeHiddenFiles(m_resolved.includeHidden);
    m_pScanner->enableSearchDuplicatesFoldersAndSimilars(m_resolved.searchDuplicateFolders);
    m_pScanner->excludeFoldersForThisScan(m_choices.excludeFolders);
    m_pScanner->useDigestCache(m_resolved.useDigestCache);
    m_pScanner->keepSeenFiles(m_choices.keepSeenFiles);
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

void ScanSession::onFilesCompared(const std::shared_ptr<DuplicatesContainer>& container) {
    if (m_filesCompared) m_filesCompared(container);
}

void ScanSession::onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> container) {
    // The results manager keeps the outcome until the next scan.
    DuplicatesManager& manager = DuplicatesManager::sharedManager();
    manager.isBackupsWereSkipped = m_pScanner->isBackupsWereSkipped();
    manager.isMinimalDuplicatesSizeWasDefinedAutomatically = m_pScanner->isMinimalDuplicatesSizeWasDefinedAutomatically();
    manager.minimalDuplicatesSize = m_pScanner->finalMinimalDuplicatesSize();
    manager.setDuplicateContainer(container);
    manager.scannedFolders = m_arrFolders;
    manager.scanFinishDate = static_cast<std::int64_t>(std::time(nullptr));
    manager.foundSize = container ? container->getAllFilesSize() : 0;
    if (m_completion) m_completion(std::move(container));
}
