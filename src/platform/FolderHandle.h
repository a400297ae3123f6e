// An open folder reached without following any symbolic link, so that what is done to its entries
// by name (stat, open, rename, unlink) cannot be redirected by a link swapped in on the way.
// Move-only; owns its descriptor. Any thread; one handle is used by one thread at a time.
#pragma once

#include <cstdint>

class FolderHandle {
public:
    FolderHandle() = default;
    FolderHandle(int fd, std::uint64_t device, std::uint64_t inode) : m_nFd(fd), m_nDevice(device), m_nInode(inode) {}
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    bool isOpen() const { return m_nFd >= 0; }
    int fd() const { return m_nFd; }
    std::uint64_t device() const { return m_nDevice; }
    std::uint64_t inode() const { return m_nInode; }

private:
    int m_nFd = -1;
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
};
