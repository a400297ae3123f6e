#include "history/WriteToFileProvider.h"

#include <cerrno>

#include "history/WriteToFileProviderDelegate.h"
#include "platform/FileContents.h"

LogWriteOutcome WriteToFileProvider::provideWriteCommandForObject(
    const std::shared_ptr<JValue>& object, const Log& log, const std::function<void(const WriteCommand&)>& completion) {
    const auto delegate = m_pDelegate.lock();
    if (!delegate) return {};
    const auto folder = delegate->logFolderPathForWriteProvider(*this);
    const auto name = delegate->logFileNameForObject(object, log, nullptr);
    if (!folder) return LogWriteOutcome::failed(Status::fromErrno(ENOENT, "the folder for removal logs"));
    if (!name) return {};
    Status status = file_contents::createFolders(*folder);
    if (!status) return LogWriteOutcome::failed(status);

    std::string text;
    completion([&text](const std::string& piece) { text += piece; });
    // The extension is what follows the last dot; the date in the stem has dots of its own.
    const std::size_t dot = name->rfind('.');
    const std::string stem = dot == std::string::npos ? *name : name->substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name->substr(dot);
    std::string path;
    status = file_contents::writeNewFile(*folder, stem, extension, text, path);
    return status ? LogWriteOutcome::written(path) : LogWriteOutcome::failed(status, path);
}
