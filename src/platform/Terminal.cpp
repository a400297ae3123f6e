#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/ReplaceableInstance.h"

namespace {
class SystemTerminal : public Terminal {
public:
    bool isTerminal(int fd) const override { return ::isatty(fd) == 1; }
    std::optional<int> columns(int fd) const override {
        struct winsize size {};
        if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::nullopt;
        return static_cast<int>(size.ws_col);
    }
};

ReplaceableInstance<Terminal, SystemTerminal>& instance() {
    return ReplaceableInstance<Terminal, SystemTerminal>::shared();
}
}  // namespace

Terminal& Terminal::standard() { return instance().get(); }

void Terminal::setStandard(std::shared_ptr<Terminal> terminal) { instance().replace(std::move(terminal)); }
