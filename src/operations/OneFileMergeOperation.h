// Copies or moves one file of a merged folder pair into the other folder (under a free name there),
// on a queue of its own; the completion gets the file's new path (empty when it failed) and the
// operation's status, on the main thread. Create and start on the main thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "operations/FileOperation.h"

class FileSystemItem;
class FolderSystemItem;
class SerialQueue;

class OneFileMergeOperation : public std::enable_shared_from_this<OneFileMergeOperation> {
public:
    using Completion = std::function<void(const std::string& destination, const Status& status)>;

    static std::shared_ptr<OneFileMergeOperation> buildOperationWithCopy(const FileSystemItem& file,
                                                                        const FolderSystemItem& target);
    static std::shared_ptr<OneFileMergeOperation> buildOperationWithMove(const FileSystemItem& file,
                                                                        const FolderSystemItem& target);

    const std::string& source() const { return m_sSource; }
    const std::string& destination() const { return m_sDestination; }
    bool isCopy() const { return m_bCopy; }
    FileOperationResult fileOperationResult() const { return m_eResult; }
    // A second call does nothing.
    void start(Completion completion);

private:
    static std::shared_ptr<OneFileMergeOperation> build(const FileSystemItem& file, const FolderSystemItem& target,
                                                        bool copy);

    std::string m_sSource;
    std::string m_sDestination;
    bool m_bCopy = true;
    bool m_bStarted = false;
    FileOperationResult m_eResult = FileOperationResult::Unknown;
    std::shared_ptr<SerialQueue> m_pQueue;
};
