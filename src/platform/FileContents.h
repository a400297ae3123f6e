// Whole-file reads and writes for small documents (logs): an atomic replace through a temporary file,
// a streaming create-and-append, a whole read, and folder creation with parents. Any thread.
#pragma once

#include <memory>
#include <string>

#include "platform/Status.h"

namespace file_contents {
// Writes the bytes to a temporary file beside the path, flushes it and renames it over the path:
// a reader sees the previous file or the complete new one. A failure leaves the previous file.
Status writeAtomically(const std::string& path, const std::string& bytes);
// The folder and every missing parent (mode 0755 before the umask); an existing folder is fine.
Status createFolders(const std::string& path);
Status read(const std::string& path, std::string& bytes);

// A file created empty (replacing an existing one) and appended to while the object lives.
class AppendingFile {
public:
    virtual ~AppendingFile() = default;
    virtual Status append(const std::string& bytes) = 0;
};
Status createForAppending(const std::string& path, std::unique_ptr<AppendingFile>& out);
}  // namespace file_contents
