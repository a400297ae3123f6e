#include "platform/DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

std::uint64_t deviceOf(const struct statx& st) {
    return (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
}

std::int64_t nanosecondsOf(const struct statx_timestamp& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

DirectoryEntryType typeOfMode(std::uint16_t mode) {
    if (S_ISREG(mode)) return DirectoryEntryType::File;
    if (S_ISDIR(mode)) return DirectoryEntryType::Folder;
    if (S_ISLNK(mode)) return DirectoryEntryType::SymbolicLink;
    return DirectoryEntryType::Other;
}
}  // namespace

DirectoryReader::DirectoryReader() : m_buffer(kBufferSize) {}

DirectoryReader::~DirectoryReader() { close(); }

Status DirectoryReader::open(const std::string& path) {
    close();
    m_nFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (m_nFd < 0) return Status::fromErrno(errno, path);
    struct statx st;
    if (::statx(m_nFd, "", AT_EMPTY_PATH, STATX_TYPE, &st) == 0) m_nDevice = deviceOf(st);
    return Status::ok();
}

void DirectoryReader::close() {
    if (m_nFd >= 0) ::close(m_nFd);
    m_nFd = -1;
}

int DirectoryReader::readBatch(std::vector<DirectoryEntry>& entries) {
    entries.clear();
    if (m_nFd < 0) return -1;
    long bytes = ::syscall(SYS_getdents64, m_nFd, m_buffer.data(), m_buffer.size());
    if (bytes <= 0) return bytes == 0 ? 0 : -1;

    int count = 0;
    for (long offset = 0; offset < bytes;) {
        auto* d = reinterpret_cast<LinuxDirent64*>(m_buffer.data() + offset);
        offset += d->d_reclen;
        ++count;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

        DirectoryEntry e;
        e.name = std::string_view(name);
        if (d->d_type == DT_LNK) {
            e.type = DirectoryEntryType::SymbolicLink;  // never followed, so never examined
            entries.push_back(e);
            continue;
        }
        struct statx st;
        unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_NLINK | STATX_INO |
                        STATX_CTIME;
        if (::statx(m_nFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) != 0) {
            e.statFailed = true;
            entries.push_back(e);
            continue;
        }
        e.type = typeOfMode(st.stx_mode);
        e.size = st.stx_size;
        e.allocatedSize = st.stx_blocks * 512;
        e.modificationSeconds = st.stx_mtime.tv_sec;
        e.device = static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor));
        e.inode = st.stx_ino;
        e.modificationNs = nanosecondsOf(st.stx_mtime);
        e.changeNs = nanosecondsOf(st.stx_ctime);
        e.linkCount = st.stx_nlink;
        if (e.type == DirectoryEntryType::Folder) {
            bool mountRoot = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (st.stx_attributes & STATX_ATTR_MOUNT_ROOT);
            e.mountPoint = mountRoot || (m_nDevice != 0 && deviceOf(st) != m_nDevice);
        }
        entries.push_back(e);
    }
    return count;
}
