#include "history/WriteToFileProvider.h"

#include "history/AtomicWriteToFileProvider.h"
#include "history/WriteToFileProviderDelegate.h"
#include "platform/FileContents.h"

void WriteToFileProvider::provideWriteCommandForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                       const std::function<void(const WriteCommand&)>& completion) {
    const auto delegate = m_pDelegate.lock();
    if (!delegate) return;
    const auto folder = delegate->logFolderPathForWriteProvider(*this);
    const auto name = delegate->logFileNameForObject(object, log, nullptr);
    if (!folder || !name) return;
    (void)file_contents::createFolders(*folder);  // a failure shows as a failed write
    provideWriteCommandToFileAtPath(*folder + "/" + *name, completion);
}

void WriteToFileProvider::provideWriteCommandToFileAtPath(const std::string& path,
                                                          const std::function<void(const WriteCommand&)>& completion) {
    std::unique_ptr<file_contents::AppendingFile> file;
    if (!file_contents::createForAppending(path, file)) return;
    completion([&file](const std::string& text) { (void)file->append(text); });
}

void AtomicWriteToFileProvider::provideWriteCommandToFileAtPath(
    const std::string& path, const std::function<void(const WriteCommand&)>& completion) {
    std::string text;
    completion([&text](const std::string& piece) { text += piece; });
    (void)file_contents::writeAtomically(path, text);  // a failed write leaves the previous file
}
