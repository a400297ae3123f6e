// Type identification by file-name extension on the shared-mime-info database (through QMimeDatabase).
// Thread-safe; each call asks the database, so callers cache.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct MimeTypeInfo {
    std::string name;                    // "image/jpeg"
    std::vector<std::string> ancestors;  // every type it inherits from, "application/zip" for a .docx …
    bool inherits(std::string_view type) const;
    bool hasPrefix(std::string_view prefix) const;  // the type or an ancestor starts with prefix
};

namespace mime_types {
// Reads the database now, on the calling thread. Called by main() on the main thread before any work
// starts: the first read creates Qt objects, which would make the worker thread that did it a thread
// Qt keeps its own records of, records that Qt frees unseen by the thread sanitizer.
void loadDatabase();
// The preferred type of a name with this extension; nothing when the database does not know it.
std::optional<MimeTypeInfo> typeForExtension(std::string_view extension);
}  // namespace mime_types
