#include "removal/FolderIdentity.h"

#include <algorithm>
#include <vector>

#include "platform/FileSystem.h"
#include "removal/DuplicatesDefaultRemover.h"

namespace folder_identity {
Status signatureOf(const FolderHandle& folder, std::string& signature) {
    FileSystem& fs = FileSystem::standard();
    std::vector<std::string> names;
    if (Status s = fs.listFolderAt(folder, names); !s) return s;
    std::vector<std::string> parts;
    parts.reserve(names.size());
    for (const auto& name : names) {
        if (DuplicatesDefaultRemover::isIgnorableFolderEntry(name)) continue;
        FileAttributes attributes;
        if (Status s = fs.attributesAt(folder, name, attributes); !s) return s;
        std::string part;
        if (attributes.kind == FileKind::Regular) {
            std::string digest;
            if (Status s = fs.digestAt(folder, name, attributes, digest); !s) return s;
            part = "F" + std::to_string(attributes.size) + ":" + digest;
        } else if (attributes.kind == FileKind::Folder) {
            FolderHandle sub;
            if (Status s = fs.openFolderAt(folder, name, sub); !s) return s;
            std::string inner;
            if (Status s = signatureOf(sub, inner); !s) return s;
            part = "D" + std::to_string(inner.size()) + ":" + inner;
        } else {
            part = attributes.kind == FileKind::SymbolicLink ? "L" : "O";
        }
        parts.push_back(std::move(part));
    }
    std::sort(parts.begin(), parts.end());
    signature.clear();
    for (const auto& part : parts) signature += std::to_string(part.size()) + "|" + part;
    return Status::ok();
}
}  // namespace folder_identity
