// Whole-file reads and writes of small documents (the removal logs), every step checked and answered
// as a Status: a write that never replaces an existing file, a proof that a folder takes new files, a
// bounded read of regular files only, and folder creation with parents. Goes through FileCalls, so
// tests can fail any step. Any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace file_contents {
// Writes the bytes into a new file of the folder named `stem + extension`, or `stem 2 + extension`,
// `stem 3 + extension` … when the name is taken (by another process too): a temporary file is written,
// synced, closed and renamed to the first free name without replacing anything, then the folder is
// synced. Answers the file's path in `writtenPath` once it has its name (also when only the folder's
// sync failed after that); on any other failure nothing is left behind.
Status writeNewFile(const std::string& folder, const std::string& stem, const std::string& extension,
                    const std::string& bytes, std::string& writtenPath);
// Replaces (or creates) the file `folder/name` with the parts, one after the other, in one step: they are
// written to a private new file of the folder (created with its parents when missing), which is then
// renamed over the old one, so a reader sees the old file or the new one, whole. Not synced: meant for
// files that can be made again (the digest cache). On failure nothing is left behind and the old file stays.
Status replaceFile(const std::string& folder, const std::string& name, const std::vector<std::string_view>& parts);
// As replaceFile, with the bytes handed, piece by piece, to `write` by `produce`; the first failure,
// produce's own or a write's, ends it.
using PieceWriter = std::function<Status(std::string_view piece)>;
Status replaceFileWith(const std::string& folder, const std::string& name,
                       const std::function<Status(const PieceWriter& write)>& produce);
// Creates the folder when missing and proves that it takes new files: a probe file is created with
// O_EXCL, written, synced and removed.
Status proveFolderWritable(const std::string& folder);
// The folder and every missing parent (mode 0755 before the umask); an existing folder is fine, any
// other existing entry is NotADirectory.
Status createFolders(const std::string& path);
// The bytes of a regular file of at most maxBytes. The entry is never followed when it is a symbolic
// link and never opened when it is not a regular file (NotARegularFile, errno ELOOP for a link); a
// bigger file answers TooLarge without being read.
Status readRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& bytes);
}  // namespace file_contents
