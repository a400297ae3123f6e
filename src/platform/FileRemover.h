// Permanent removal of files and folders: a folder goes with everything inside it, and a symbolic
// link is removed as the link, never followed (neither at the top nor inside a folder).
// FileRemover::standard() may be replaced in tests (a locked file, a folder that cannot be emptied).
// Thread-safe: implementations keep no state; any thread, any number at once.
#pragma once

#include <memory>
#include <string>

#include "platform/FolderHandle.h"
#include "platform/Status.h"

class FileRemover {
public:
    virtual ~FileRemover() = default;

    static FileRemover& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the Linux one.
    static void setStandard(std::shared_ptr<FileRemover> remover);

    // Removes the entry `name` of an open folder (`path` names it in statuses); a folder is emptied
    // depth first and then removed. Stops at the first failure and answers it (the entries removed
    // before it stay removed).
    virtual Status removeItemAt(const FolderHandle& parent, const std::string& name, const std::string& path) = 0;
    // The same for an absolute path, its folder reached without following a link.
    Status removeItem(const std::string& path);
};

class LinuxFileRemover : public FileRemover {
public:
    Status removeItemAt(const FolderHandle& parent, const std::string& name, const std::string& path) override;
};
