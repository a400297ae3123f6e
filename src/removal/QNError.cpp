#include "removal/QNError.h"

#include <cerrno>

Status QNError::couldNotRemoveBecauseParentIsLockedForItemAtPath(const std::string& path) {
    return Status(StatusCode::PermissionDenied, EPERM, path);
}
