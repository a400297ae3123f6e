#include "platform/FolderHandle.h"

#include <unistd.h>

#include <utility>

FolderHandle::~FolderHandle() {
    if (m_nFd >= 0) ::close(m_nFd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : m_nFd(std::exchange(other.m_nFd, -1)), m_nDevice(other.m_nDevice), m_nInode(other.m_nInode) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (m_nFd >= 0) ::close(m_nFd);
        m_nFd = std::exchange(other.m_nFd, -1);
        m_nDevice = other.m_nDevice;
        m_nInode = other.m_nInode;
    }
    return *this;
}
