// The files a removal helper hands to its script: the script itself and its lists, each a new file with
// a random name in $XDG_RUNTIME_DIR (else $TMPDIR, else /tmp), made with mkstemps so that no existing
// file is ever reused. Any thread.
#pragma once

#include <string>

#include "platform/Status.h"

namespace script_files {
// The folder the files go to, read from the environment on every call.
std::string folder();
// A new file "dorvane-XXXXXXXXXX" + `suffix` in folder() holding `bytes`, with the permission bits
// `mode` (0700 for a script); its path in `path`. On failure nothing is left behind.
Status writeNew(const std::string& bytes, const std::string& suffix, unsigned mode, std::string& path);
// Removes a file written by writeNew (a missing one is fine).
Status removeFile(const std::string& path);
}  // namespace script_files
