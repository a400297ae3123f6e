#include "platform/ScriptFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace script_files {
namespace {
std::string absoluteFromEnvironment(const char* name) {
    const char* v = std::getenv(name);
    return v && v[0] == '/' ? std::string(v) : std::string();
}
}  // namespace

std::string folder() {
    std::string f = absoluteFromEnvironment("XDG_RUNTIME_DIR");
    if (f.empty()) f = absoluteFromEnvironment("TMPDIR");
    if (f.empty()) f = "/tmp";
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    return f;
}

Status writeNew(const std::string& bytes, const std::string& suffix, unsigned mode, std::string& path) {
    std::string pattern = folder() + "/dorvane-XXXXXXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return Status::fromErrno(errno, pattern);
    const std::string written(name.data());
    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(written.c_str());
        return Status::fromErrno(e, written);
    };
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) return fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(written.c_str());
        return Status::fromErrno(e, written);
    }
    path = written;
    return Status::ok();
}

Status removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return Status::fromErrno(errno, path);
    return Status::ok();
}
}  // namespace script_files
