// What the running process may do to a file it did not manage to remove: whether it runs as the
// administrator, whether it may clear the immutable and append-only flags, and whether removing an entry
// needs administrator rights. ProcessRights::standard() may be replaced in tests (root runs them here).
// Any thread.
#pragma once

#include <memory>
#include <string>

class ProcessRights {
public:
    virtual ~ProcessRights() = default;

    static ProcessRights& standard();
    // Replaces the process-wide instance (tests); nullptr restores the standard one.
    static void setStandard(std::shared_ptr<ProcessRights> rights);

    // The effective user is root: a helper then runs without asking for rights.
    virtual bool isAdministrator() const = 0;
    // Removing the entry at `path` (absolute; its folder `parentPath`) needs more rights than this process
    // has: its folder does not take changes from it, the folder is sticky and the entry belongs to someone
    // else, a folder copy cannot be emptied by it, or the entry is `locked` (immutable or append-only)
    // without the right to clear that flag (CAP_LINUX_IMMUTABLE). Read now, nothing followed.
    virtual bool needsAdministratorToRemove(const std::string& path, const std::string& parentPath, bool isDirectory,
                                            bool locked) const = 0;
};

class LinuxProcessRights : public ProcessRights {
public:
    bool isAdministrator() const override;
    bool needsAdministratorToRemove(const std::string& path, const std::string& parentPath, bool isDirectory,
                                    bool locked) const override;
    // CAP_LINUX_IMMUTABLE in the effective set (read from /proc/self/status; unreadable counts as absent).
    static bool canChangeFileFlags();
};
