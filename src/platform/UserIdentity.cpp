#include "platform/UserIdentity.h"

#include <unistd.h>

namespace user_identity {
std::uint32_t currentUserId() { return static_cast<std::uint32_t>(::getuid()); }
}  // namespace user_identity
