// Path containment on plain text, without touching the disk. Any thread.
#pragma once

#include <string_view>

// True when `path` lies inside `folder` at any depth; a path is never inside itself.
inline bool isPathInFolder(std::string_view path, std::string_view folder) {
    if (path.size() <= folder.size() || path.substr(0, folder.size()) != folder) return false;
    return folder == "/" || path[folder.size()] == '/';
}

// True when `file` begins with `folder` and either `folder` ends in "/" or `file` continues with "/"
// right after it.
inline bool isFolderParent(std::string_view folder, std::string_view file) {
    if (file.size() < folder.size() || file.substr(0, folder.size()) != folder) return false;
    if (!folder.empty() && folder.back() == '/') return true;
    return file.size() > folder.size() && file[folder.size()] == '/';
}
