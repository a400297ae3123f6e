// One scan as the application runs it, free of any window: creates the scan driver for the chosen
// folders with the resolved choices, starts and stops it, and hands the finished container to the
// completion. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ScanChoices.h"
#include "scan/FoldersScanner.h"
#include "scan/FoldersScannerListener.h"

class ScanSession : public FoldersScannerListener, public std::enable_shared_from_this<ScanSession> {
public:
    using Completion = std::function<void(std::shared_ptr<DuplicatesContainer>)>;
    using FilesCompared = std::function<void(const std::shared_ptr<DuplicatesContainer>&)>;

    static std::shared_ptr<ScanSession> create(std::vector<std::string> folders, ScanChoices choices,
                                               Completion completion);
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Called when every file has been compared and the folder phases start (FoldersScannerListener);
    // set before start().
    void setFilesCompared(FilesCompared filesCompared) { m_filesCompared = std::move(filesCompared); }
    void start();
    // Stops the scan; unless ignoreResult, the completion still receives what was found.
    void stop(bool ignoreResult);
    bool wasStopped() const { return m_bStopped; }
    const ScanChoices::Resolved& choices() const { return m_resolved; }
    const FoldersScanner* scanner() const { return m_pScanner.get(); }

    void onFilesCompared(const std::shared_ptr<DuplicatesContainer>& container) override;
    void onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> container) override;

private:
    ScanSession() = default;

    std::vector<std::string> m_arrFolders;
    ScanChoices m_choices;
    ScanChoices::Resolved m_resolved{};
    Completion m_completion;
    FilesCompared m_filesCompared;
    std::shared_ptr<FoldersScanner> m_pScanner;
    bool m_bStopped = false;
};
