// The identity of the user running the process (for names such as a volume's ".Trash-<uid>"), which
// the `trash` command run through pkexec sets to the user it works for. Any thread.
#pragma once

#include <cstdint>

namespace user_identity {
std::uint32_t currentUserId();  // getuid(), or the user set below
// Set once, before any other thread starts.
void setActingUserId(std::uint32_t uid);
}  // namespace user_identity
