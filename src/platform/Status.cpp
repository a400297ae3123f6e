#include "platform/Status.h"

#include <cerrno>
#include <cstring>

StatusCode Status::codeForErrno(int e) {
    switch (e) {
        case 0: return StatusCode::Ok;
        case ENOENT: return StatusCode::NotFound;
        case EACCES:
        case EPERM: return StatusCode::PermissionDenied;
        case ENOTDIR: return StatusCode::NotADirectory;
        case EISDIR: return StatusCode::IsADirectory;
        case EROFS: return StatusCode::ReadOnlyFileSystem;
        case ENOSPC:
        case EDQUOT: return StatusCode::NoSpace;
        case EBUSY:
        case ETXTBSY: return StatusCode::Busy;
        case EEXIST: return StatusCode::AlreadyExists;
        case EXDEV: return StatusCode::CrossDevice;
        case ENOTEMPTY: return StatusCode::NotEmpty;
        case ENAMETOOLONG: return StatusCode::NameTooLong;
        case ELOOP:
        case EMLINK: return StatusCode::TooManyLinks;
        case EINVAL: return StatusCode::InvalidArgument;
        case EIO: return StatusCode::IoError;
        case EFBIG: return StatusCode::TooLarge;
        case EOPNOTSUPP: return StatusCode::NotSupported;
        default: return StatusCode::Other;
    }
}

Status Status::fromErrno(int e, std::string path) { return Status(codeForErrno(e), e, std::move(path)); }

std::string Status::message() const {
    if (isOk()) return m_sPath.empty() ? "ok" : m_sPath + ": ok";
    std::string reason = m_nErrno ? std::strerror(m_nErrno) : "failed";
    if (m_eCode == StatusCode::NotARegularFile)
        reason = m_nErrno == ELOOP ? "a symbolic link, not a regular file" : "not a regular file";
    if (m_eCode == StatusCode::TooLarge) reason = "too large";
    if (m_eCode == StatusCode::CopyMismatch) reason = "the copy differs from the original";
    return m_sPath.empty() ? reason : m_sPath + ": " + reason;
}
