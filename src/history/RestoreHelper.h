// The rules of restoring: whether a file on disk is the removed one (size and modification date), the
// names a restored file may take ("a.txt", "a restored.txt", "a restored 2.txt" …), where a restore
// goes, and where an earlier restore put the file. Reads the disk through FileSystem; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class BaseFileLogItem;
class BaseRemovedItem;

namespace RestoreHelper {
// Recorded and candidate modification dates that differ by this much or more are "different".
constexpr std::int64_t kModificationDateTolerance = 2;

bool isFileWithModificationDate(std::optional<std::int64_t> modificationDate, std::int64_t fileSize,
                                bool candidateIsFolder, const BaseFileLogItem& item);
// The entry itself (a link is not followed); no match when its attributes cannot be read.
bool isFileWithPath(const std::string& path, const BaseFileLogItem& item);

// Index 0: the original path (or the destination folder + the original name); index n ≥ 1:
// "stem restored[ n].ext" beside the original (or in the destination folder).
std::string restoredFilePathWithPath(const std::string& originalPath, bool isDir, int index,
                                     const std::optional<std::string>& destinationFolder);
std::string restoredFilePathForItem(const BaseRemovedItem& item, int index,
                                    const std::optional<std::string>& destinationFolder);
// The first candidate name the item may use (couldBeUsedAsRestoredPath) where nothing exists.
std::string generateRestoreDestinationFilePathForItem(const BaseRemovedItem& item,
                                                      const std::optional<std::string>& destinationFolder);
// Where an earlier restore (or the file manager) put the item back, when a file there still matches.
std::optional<std::string> calculateRestoredFilePathForItem(const BaseRemovedItem& item);

// "a" and "txt" for "a.txt"; a folder, a name starting with its only dot, or a name ending in a dot
// has no extension.
void splitName(const std::string& name, bool isDir, std::string& stem, std::string& extension);
// Whether `nameWithoutExtension` is stem + " restored" or stem + " restored " + decimal digits.
bool isRestoredNameOf(const std::string& nameWithoutExtension, const std::string& stem);
}  // namespace RestoreHelper
