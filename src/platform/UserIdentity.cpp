#include "platform/UserIdentity.h"

#include <unistd.h>

#include <atomic>

namespace user_identity {
namespace {
std::atomic<std::int64_t> g_actingUserId{-1};
}  // namespace

std::uint32_t currentUserId() {
    const std::int64_t acting = g_actingUserId.load();
    return acting >= 0 ? static_cast<std::uint32_t>(acting) : static_cast<std::uint32_t>(::getuid());
}

void setActingUserId(std::uint32_t uid) { g_actingUserId.store(uid); }
}  // namespace user_identity
