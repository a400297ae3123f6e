// What the core asks of the file system outside the walk and the hashing hot paths: existence,
// attributes, folder listings, the home folder. FileSystem::standard() is the Linux implementation;
// tests may install a replacement with setStandard(). Thread-safe: implementations keep no state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderHandle.h"
#include "platform/Status.h"

enum class FileKind { None, Regular, Folder, SymbolicLink, Other };

struct FileAttributes {
    FileKind kind = FileKind::None;
    std::uint64_t size = 0;           // logical size in bytes
    std::uint64_t allocatedSize = 0;  // blocks × 512
    std::int64_t modificationSeconds = 0;
    std::int64_t modificationNanoseconds = 0;
    std::int64_t changeSeconds = 0;
    std::int64_t changeNanoseconds = 0;
    std::uint32_t linkCount = 0;
    std::uint32_t mode = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool immutable = false;   // FS_IMMUTABLE_FL
    bool appendOnly = false;  // FS_APPEND_FL
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    static FileSystem& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the Linux one.
    static void setStandard(std::shared_ptr<FileSystem> fileSystem);

    // Attributes of the entry itself; a symbolic link is reported as a link, never followed.
    virtual Status attributes(const std::string& path, FileAttributes& out) const = 0;
    virtual Status listFolder(const std::string& path, std::vector<std::string>& names) const = 0;
    virtual bool isWritable(const std::string& path) const = 0;
    virtual std::string homeFolder() const = 0;
    // The absolute path with every link and "." or ".." resolved; fails when the path does not exist.
    virtual Status canonicalPath(const std::string& path, std::string& out) const = 0;
    // Whether the folder's entries can be listed (read and search permission).
    virtual bool canListFolder(const std::string& path) const = 0;

    // Entries acted on by name relative to folders opened without following links; removal uses
    // nothing else, so that no symbolic link swapped in after the scan can redirect it.
    // The folder at an absolute path, opened component by component from "/" with no link followed
    // anywhere on the way (a link gives TooManyLinks, a file NotADirectory).
    virtual Status openFolderNoFollow(const std::string& path, FolderHandle& out) const = 0;
    virtual Status openFolderAt(const FolderHandle& folder, const std::string& name, FolderHandle& out) const = 0;
    // The entry itself (a link is reported as a link).
    virtual Status attributesAt(const FolderHandle& folder, const std::string& name, FileAttributes& out) const = 0;
    virtual Status listFolderAt(const FolderHandle& folder, std::vector<std::string>& names) const = 0;
    // Whether two regular files hold the same bytes, read now. Each is opened without following a link
    // and must still be the file its attributes describe (device, inode, size), else InvalidArgument.
    // Ranges that are holes in both files are skipped, not read.
    virtual Status compareContentsAt(const FolderHandle& folderA, const std::string& nameA, const FileAttributes& a,
                                     const FolderHandle& folderB, const std::string& nameB, const FileAttributes& b,
                                     bool& same) const = 0;
    // A SHA-256 of a regular file's data read now, holes skipped (their place and length are hashed),
    // with the same identity rule as compareContentsAt.
    virtual Status digestAt(const FolderHandle& folder, const std::string& name, const FileAttributes& expected,
                            std::string& digest) const = 0;

    bool exists(const std::string& path) const;
    bool isFolder(const std::string& path) const;  // a real folder, not a link to one
};

class LinuxFileSystem : public FileSystem {
public:
    Status attributes(const std::string& path, FileAttributes& out) const override;
    Status listFolder(const std::string& path, std::vector<std::string>& names) const override;
    bool isWritable(const std::string& path) const override;
    std::string homeFolder() const override;
    Status canonicalPath(const std::string& path, std::string& out) const override;
    bool canListFolder(const std::string& path) const override;
    Status openFolderNoFollow(const std::string& path, FolderHandle& out) const override;
    Status openFolderAt(const FolderHandle& folder, const std::string& name, FolderHandle& out) const override;
    Status attributesAt(const FolderHandle& folder, const std::string& name, FileAttributes& out) const override;
    Status listFolderAt(const FolderHandle& folder, std::vector<std::string>& names) const override;
    Status compareContentsAt(const FolderHandle& folderA, const std::string& nameA, const FileAttributes& a,
                             const FolderHandle& folderB, const std::string& nameB, const FileAttributes& b,
                             bool& same) const override;
    Status digestAt(const FolderHandle& folder, const std::string& name, const FileAttributes& expected,
                    std::string& digest) const override;
};
