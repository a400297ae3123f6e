// What the command line asks of the terminal: whether a descriptor is one and how many columns it
// has. standard() may be called from any thread; tests replace it with setStandard to give a width.
#pragma once

#include <memory>
#include <optional>

class Terminal {
public:
    virtual ~Terminal() = default;
    static Terminal& standard();
    // nullptr brings back the system's terminal (isatty, TIOCGWINSZ).
    static void setStandard(std::shared_ptr<Terminal> terminal);

    virtual bool isTerminal(int fd) const = 0;
    // The width in columns; nullopt when fd is no terminal or reports no width.
    virtual std::optional<int> columns(int fd) const = 0;
};
