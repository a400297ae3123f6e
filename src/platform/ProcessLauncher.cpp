#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/ReplaceableInstance.h"

extern char** environ;

namespace {
ReplaceableInstance<ProcessLauncher, PosixProcessLauncher>& instance() {
    return ReplaceableInstance<ProcessLauncher, PosixProcessLauncher>::shared();
}
}  // namespace

ProcessLauncher& ProcessLauncher::standard() { return instance().get(); }

void ProcessLauncher::setStandard(std::shared_ptr<ProcessLauncher> launcher) { instance().replace(std::move(launcher)); }

Status PosixProcessLauncher::run(const std::vector<std::string>& argv, int& exitStatus) {
    if (argv.empty()) return Status::fromErrno(EINVAL, {});
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    if (int e = ::posix_spawnattr_init(&attributes); e != 0) return Status::fromErrno(e, argv[0]);
    if (int e = ::posix_spawn_file_actions_init(&actions); e != 0) {
        ::posix_spawnattr_destroy(&attributes);
        return Status::fromErrno(e, argv[0]);
    }
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return Status::fromErrno(spawned, argv[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return Status::fromErrno(errno, argv[0]);
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return Status::ok();
}
