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
// The preferred type of a name with this extension; nothing when the database does not know it.
std::optional<MimeTypeInfo> typeForExtension(std::string_view extension);
}  // namespace mime_types
