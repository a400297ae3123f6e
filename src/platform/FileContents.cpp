#include "platform/FileContents.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/FileCalls.h"

namespace {
constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr unsigned kNewFileMode = 0600;  // logs name the user's files
constexpr int kMaxNameTries = 10000;

std::atomic<unsigned> g_nextPrivateName {0};

// A hidden name in the folder that no other writer (thread or process) picks at the same time;
// O_EXCL settles the rare collision with a file left by an earlier process of the same pid.
std::string privateName(const std::string& folder, const std::string& kind) {
    return folder + "/." + kind + "." + std::to_string(::getpid()) + "." + std::to_string(g_nextPrivateName++);
}

Status createPrivateFile(FileCalls& calls, const std::string& folder, const std::string& kind, std::string& path,
                         int& fd) {
    for (int tries = 0;; ++tries) {
        path = privateName(folder, kind);
        const Status status = calls.open(path, kNewFileFlags, kNewFileMode, fd);
        if (status.code() != StatusCode::AlreadyExists || tries >= kMaxNameTries) return status;
    }
}

Status writeAll(FileCalls& calls, int fd, const std::string& path, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t written = 0;
        const Status status = calls.write(fd, path, bytes.data() + done, bytes.size() - done, written);
        if (!status) return status;
        if (written == 0) return Status::fromErrno(EIO, path);  // no progress and no reason
        done += written;
    }
    return Status::ok();
}

// Writes, syncs and closes; the file stays open only inside this call.
Status fillAndClose(FileCalls& calls, int fd, const std::string& path, const std::string& bytes) {
    Status status = writeAll(calls, fd, path, bytes);
    if (status) status = calls.sync(fd, path);
    const Status closed = calls.close(fd, path);
    return status ? closed : status;
}

// Makes the folder's new entries durable. File systems that cannot sync a folder say EINVAL.
Status syncFolder(FileCalls& calls, const std::string& folder) {
    int fd = -1;
    Status status = calls.open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0, fd);
    if (!status) return status;
    status = calls.sync(fd, folder);
    if (status.code() == StatusCode::InvalidArgument) status = Status::ok();
    const Status closed = calls.close(fd, folder);
    return status ? closed : status;
}

std::string numbered(const std::string& stem, int number, const std::string& extension) {
    return number == 1 ? stem + extension : stem + " " + std::to_string(number) + extension;
}
}  // namespace

namespace file_contents {
Status writeNewFile(const std::string& folder, const std::string& stem, const std::string& extension,
                    const std::string& bytes, std::string& writtenPath) {
    FileCalls& calls = FileCalls::standard();
    std::string temporary;
    int fd = -1;
    Status status = createPrivateFile(calls, folder, "writing", temporary, fd);
    if (!status) return status;
    status = fillAndClose(calls, fd, temporary, bytes);
    for (int number = 1; status; ++number) {
        const std::string path = folder + "/" + numbered(stem, number, extension);
        status = calls.renameNoReplace(temporary, path);
        if (status) {
            writtenPath = path;
            return syncFolder(calls, folder);
        }
        if (status.code() == StatusCode::AlreadyExists && number < kMaxNameTries) status = Status::ok();
    }
    (void)calls.removeFile(temporary);  // the failure reported is the one that matters
    return status;
}

Status replaceFile(const std::string& folder, const std::string& name, const std::vector<std::string_view>& parts) {
    return replaceFileWith(folder, name, [&](const PieceWriter& write) {
        for (std::string_view part : parts)
            if (const Status status = write(part); !status) return status;
        return Status::ok();
    });
}

Status replaceFileWith(const std::string& folder, const std::string& name,
                       const std::function<Status(const PieceWriter& write)>& produce) {
    Status status = createFolders(folder);
    if (!status) return status;
    FileCalls& calls = FileCalls::standard();
    std::string temporary;
    int fd = -1;
    status = createPrivateFile(calls, folder, "replacing", temporary, fd);
    if (!status) return status;
    status = produce([&](std::string_view piece) { return writeAll(calls, fd, temporary, piece); });
    const Status closed = calls.close(fd, temporary);
    if (status) status = closed;
    if (status) status = calls.renameReplacing(temporary, folder + "/" + name);
    if (!status) (void)calls.removeFile(temporary);  // the failure reported is the one that matters
    return status;
}

Status proveFolderWritable(const std::string& folder) {
    Status status = createFolders(folder);
    if (!status) return status;
    FileCalls& calls = FileCalls::standard();
    std::string probe;
    int fd = -1;
    status = createPrivateFile(calls, folder, "probe", probe, fd);
    if (!status) return status;
    status = fillAndClose(calls, fd, probe, "probe\n");
    const Status removed = calls.removeFile(probe);
    return status ? removed : status;
}

Status createFolders(const std::string& path) {
    FileCalls& calls = FileCalls::standard();
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!prefix.empty() && prefix.back() != '/') {
            const Status status = calls.makeFolder(prefix, 0755);
            if (!status && status.code() != StatusCode::AlreadyExists) return status;
        }
        if (end == std::string::npos) break;
    }
    // An existing entry of the last name must be a folder (or a link to one).
    int fd = -1;
    const Status status = calls.open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0, fd);
    if (!status) return status;
    return calls.close(fd, path);
}

Status readRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes) {
    FileCalls& calls = FileCalls::standard();
    FileKind kind = FileKind::None;
    std::uint64_t size = 0;
    Status status = calls.entryKind(path, kind, size);
    if (!status) return status;
    if (kind == FileKind::SymbolicLink) return Status(StatusCode::NotARegularFile, ELOOP, path);
    if (kind != FileKind::Regular) return Status(StatusCode::NotARegularFile, 0, path);
    if (size > maxBytes) return Status(StatusCode::TooLarge, EFBIG, path);

    // The entry may change between the look and the open: the open follows no link and never waits
    // for a writer, and the open file is checked again.
    int fd = -1;
    status = calls.open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0, fd);
    if (status.sysErrno() == ELOOP) return Status(StatusCode::NotARegularFile, ELOOP, path);
    if (!status) return status;
    status = calls.openFileKind(fd, path, kind, size);
    if (status && kind != FileKind::Regular) status = Status(StatusCode::NotARegularFile, 0, path);
    if (status && size > maxBytes) status = Status(StatusCode::TooLarge, EFBIG, path);
    std::string text;
    if (status) text.reserve(static_cast<std::size_t>(size));  // the size at open: no growing copies
    while (status) {
        // A file growing while it is read stops at one byte past the limit.
        char buffer[65536];
        const std::uint64_t room = maxBytes + 1 - text.size();
        std::size_t got = 0;
        status = calls.read(fd, path, buffer, room < sizeof buffer ? static_cast<std::size_t>(room) : sizeof buffer, got);
        if (!status || got == 0) break;
        text.append(buffer, got);
        if (text.size() > maxBytes) status = Status(StatusCode::TooLarge, EFBIG, path);
    }
    const Status closed = calls.close(fd, path);
    if (status && !closed) status = closed;
    if (status) bytes = std::move(text);
    return status;
}
}  // namespace file_contents
