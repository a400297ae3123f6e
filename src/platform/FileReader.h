// A read-only handle on one regular file, read at explicit offsets (pread): it never follows a
// symbolic link, never changes the file (no access-time update where the kernel allows it) and
// refuses anything that is not a regular file. One handle belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Status.h"

// What identifies one version of a file's content without reading it: a change of content moves the
// change time (and usually the size or modification time); a new file at the same name has a new inode.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modificationNs = 0;  // since the epoch
    std::int64_t changeNs = 0;
    bool isRegular = false;

    bool operator==(const FileStamp&) const = default;
    // A stamp's device (st_dev's encoding) as FileAttributes gives it: (major << 32) | minor.
    static std::uint64_t attributesDevice(std::uint64_t device);
};

class FileReader {
public:
    // A folder kept open so that the files in it are opened by name (openat) instead of by path: the
    // kernel then looks up one name, not every component of the path again. Opened like a path open
    // would reach it (links on the way are followed; the file's own name never is). Move-only.
    class Folder {
    public:
        Folder() = default;
        ~Folder();
        Folder(Folder&& other) noexcept;
        Folder& operator=(Folder&& other) noexcept;
        Folder(const Folder&) = delete;
        Folder& operator=(const Folder&) = delete;

        Status open(const char* path);
        bool isOpen() const { return m_nFd >= 0; }
        void close();

    private:
        friend class FileReader;
        int m_nFd = -1;
    };

    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens with O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, and O_NOATIME unless the
    // kernel answers EPERM (a file owned by someone else). A path that names a symbolic link,
    // a folder, a device or a pipe fails. Closes a file opened before.
    Status open(const char* path);
    Status open(const std::string& path) { return open(path.c_str()); }
    // The same for the entry `name` of an open folder (a name, not a path).
    Status openAt(const Folder& folder, const char* name);
    bool isOpen() const { return m_nFd >= 0; }
    void close();

    // The stamp of the open file as it was when it was opened (the open looks at it anyway).
    const FileStamp& stampAtOpen() const { return m_stampAtOpen; }
    // The stamp of the entry `name` of an open folder, or of `path`, without following a link and
    // without opening it (a link answers a stamp that is not regular).
    static Status stampAt(const Folder& folder, const char* name, FileStamp& out);
    static Status stampOfPath(const char* path, FileStamp& out);
    // Whether the entry `name` of an open folder, or `path`, could be opened for reading by this process
    // (its effective ids), asked of the kernel in one call and without opening it; a link is not followed.
    static Status readableAt(const Folder& folder, const char* name);
    static Status readablePath(const char* path);
    // Whether `path` opens as a regular file and its first byte reads, tried now: the reason a file
    // failed to read earlier, when it still fails.
    static Status tryReading(const char* path);

    // How many files this process has opened through FileReader so far, every thread counted: tests
    // see whether a scan read a file at all.
    static std::uint64_t countOfOpenedFiles();

    // Reads up to `size` bytes at `offset`: the count read, 0 at the end of the file, -1 on an error
    // (errno tells which). An interrupted read is retried.
    // Tests fail reads at an exact moment: while a fault is set, a read of a file whose stamp at open
    // has the fault's inode (and that starts at the fault's offset, unless any) fails with the fault's
    // errno. Set and cleared while no read runs.
    struct ReadFault {
        static constexpr std::uint64_t kAnyOffset = ~std::uint64_t{0};
        std::uint64_t inode = 0;
        int error = 0;
        std::uint64_t offset = kAnyOffset;
    };
    static void setReadFaultForTests(ReadFault fault);
    std::int64_t readAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    // Reads until `size` bytes are in or the file ends (a short read up to its size at open ends it): the
    // count read, -1 on an error.
    std::int64_t readFullyAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    // Reads up to `size` bytes at `offset` as far as the page cache holds them, without waiting for the
    // disk: the count read (fewer than asked when the rest is not cached, 0 at the end of the file), or
    // -1 with errno (EAGAIN: nothing at `offset` is cached; EOPNOTSUPP: the file system cannot tell).
    // Read faults apply as to readAt. Tests make a file look cached only up to a number of bytes.
    std::int64_t readCachedAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    struct CacheFault {
        std::uint64_t inode = 0;
        std::uint64_t bytesCached = 0;  // of each read
    };
    static void setCacheFaultForTests(CacheFault fault);
    // Tells the kernel the whole file will be read from start to end (larger read-ahead).
    void adviseSequential() const;
    // Starts reading the range in the background.
    void adviseWillNeed(std::uint64_t offset, std::uint64_t length) const;

private:
    int m_nFd = -1;
    FileStamp m_stampAtOpen;
};
