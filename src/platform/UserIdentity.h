// The identity of the user running the process (for names such as a volume's ".Trash-<uid>").
// Any thread.
#pragma once

#include <cstdint>

namespace user_identity {
std::uint32_t currentUserId();  // getuid()
}  // namespace user_identity
