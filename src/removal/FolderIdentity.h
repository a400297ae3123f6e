// What makes two folders copies of each other, read from the disk now: the contents of their files
// and, level by level, of their sub-folders; names do not count. Links and special entries count by
// kind only; the bookkeeping files a folder may hold (.DS_Store, Thumbs.db) do not count. Any thread.
#pragma once

#include <string>

#include "platform/Status.h"

class FolderHandle;

namespace folder_identity {
// A value equal for two folders exactly when they hold the same content. Every read goes through
// handles opened without following a link.
Status signatureOf(const FolderHandle& folder, std::string& signature);
}  // namespace folder_identity
