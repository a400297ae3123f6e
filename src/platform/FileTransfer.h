// Moves and copies of whole entries (a file, a symbolic link as the link, a folder with everything in
// it) that never replace anything: a taken destination answers AlreadyExists and stays as it was.
// FileTransfer::standard() is the Linux implementation; tests install a replacement with setStandard()
// to fail a step at an exact moment. Thread-safe: no state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Status.h"

class FileTransfer {
public:
    virtual ~FileTransfer() = default;

    static FileTransfer& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the Linux one.
    static void setStandard(std::shared_ptr<FileTransfer> transfer);

    // Renames `from` to `to` (renameat2 with RENAME_NOREPLACE); across file systems copies, checks the
    // copy (kinds and sizes throughout, the bytes of files below 64 MiB) and only then removes the
    // source; a failed or differing copy is taken back and the source stays. The parent of `to` must exist.
    virtual Status moveNoReplace(const std::string& from, const std::string& to) = 0;
    // A copy with the source's permissions, times and (where allowed) owner; file data through
    // copy_file_range, else reads and writes; files are created with O_EXCL and a failed copy is taken
    // back. Links are copied as links and never followed.
    virtual Status copyNoReplace(const std::string& from, const std::string& to) = 0;
    // The folder and every missing parent; an existing folder is fine.
    virtual Status makeFolders(const std::string& path) = 0;
    // One file or symbolic link (never a folder).
    virtual Status removeFile(const std::string& path) = 0;
};

class LinuxFileTransfer : public FileTransfer {
public:
    static constexpr std::uint64_t kCompareContentsBelow = 64ull << 20;
    // A move across file systems compares the bytes of every file, whatever its size.
    void setCompareAllContents(bool all) { m_bCompareAllContents = all; }

    Status moveNoReplace(const std::string& from, const std::string& to) override;
    Status copyNoReplace(const std::string& from, const std::string& to) override;
    Status makeFolders(const std::string& path) override;
    Status removeFile(const std::string& path) override;

private:
    bool m_bCompareAllContents = false;
};
