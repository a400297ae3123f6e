// Ctrl-C and SIGTERM for the commands that scan or remove: the first signal asks for a clean stop
// (polled through stopStatus), signals within half a second of it are the same request, a later one
// quits at once. SIGWINCH marks the terminal as resized. Install and poll on the main thread.
#pragma once

#include <memory>

namespace stop_signals {
// 130 after SIGINT, 143 after SIGTERM; 0 while no stop was asked for.
int stopStatus();
// Whether the terminal changed its size since the last call.
bool takeTerminalResized();
// A descriptor that turns readable when the first stop signal comes, for a main loop to wake on at once
// rather than at its next poll; -1 while no handlers are installed.
int wakeDescriptor();

// Installed for the whole command, the removal included; the previous handlers come back with it.
class Handlers {
public:
    Handlers();
    ~Handlers();
    Handlers(const Handlers&) = delete;
    Handlers& operator=(const Handlers&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};
}  // namespace stop_signals
