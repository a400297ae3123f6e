// The system calls behind the whole-file reads and writes of small documents (file_contents), one
// virtual per call so that a test can fail any of them at an exact moment. FileCalls::standard() is the
// Linux implementation; tests install a replacement with setStandard(). Thread-safe: no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Status.h"

class FileCalls {
public:
    virtual ~FileCalls() = default;

    static FileCalls& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the Linux one.
    static void setStandard(std::shared_ptr<FileCalls> calls);

    // `path` names the file in the answered Status; the descriptor calls do not use it otherwise.
    virtual Status open(const std::string& path, int flags, unsigned mode, int& fd) = 0;
    // May write fewer bytes than asked (`written`); an interrupted call is retried.
    virtual Status write(int fd, const std::string& path, const char* data, std::size_t size,
                         std::size_t& written) = 0;
    // `got` 0 is the end of the file.
    virtual Status read(int fd, const std::string& path, char* data, std::size_t size, std::size_t& got) = 0;
    // As read, at `offset` (the descriptor's own position stays).
    virtual Status readAt(int fd, const std::string& path, std::uint64_t offset, char* data, std::size_t size,
                          std::size_t& got) = 0;
    virtual Status sync(int fd, const std::string& path) = 0;
    virtual Status close(int fd, const std::string& path) = 0;
    // The kind and size of the entry itself (a link is not followed), and of an open file.
    virtual Status entryKind(const std::string& path, FileKind& kind, std::uint64_t& size) = 0;
    virtual Status openFileKind(int fd, const std::string& path, FileKind& kind, std::uint64_t& size) = 0;
    // Renames without ever replacing: an existing `to` answers AlreadyExists and stays as it was.
    virtual Status renameNoReplace(const std::string& from, const std::string& to) = 0;
    // Renames, replacing an existing `to` in one step (readers see the old file or the new one).
    virtual Status renameReplacing(const std::string& from, const std::string& to) = 0;
    virtual Status removeFile(const std::string& path) = 0;
    // One folder (its parent must exist); an existing entry answers AlreadyExists.
    virtual Status makeFolder(const std::string& path, unsigned mode) = 0;
};

class LinuxFileCalls : public FileCalls {
public:
    Status open(const std::string& path, int flags, unsigned mode, int& fd) override;
    Status write(int fd, const std::string& path, const char* data, std::size_t size, std::size_t& written) override;
    Status read(int fd, const std::string& path, char* data, std::size_t size, std::size_t& got) override;
    Status readAt(int fd, const std::string& path, std::uint64_t offset, char* data, std::size_t size,
                  std::size_t& got) override;
    Status sync(int fd, const std::string& path) override;
    Status close(int fd, const std::string& path) override;
    Status entryKind(const std::string& path, FileKind& kind, std::uint64_t& size) override;
    Status openFileKind(int fd, const std::string& path, FileKind& kind, std::uint64_t& size) override;
    Status renameNoReplace(const std::string& from, const std::string& to) override;
    Status renameReplacing(const std::string& from, const std::string& to) override;
    Status removeFile(const std::string& path) override;
    Status makeFolder(const std::string& path, unsigned mode) override;
};
