// Builds the helper remover of a removal run for a confirmed error group: DorvaneToTrashRemover when the
// group goes to the Trash, otherwise DorvanePermanentRemover. Main thread.
#pragma once

#include <string>

#include "removal/DuplicateItemsRemover.h"

namespace helper_removers {
// `dorvaneCommand`: the command-line program whose `trash` command the Trash helper's script calls.
DuplicateItemsRemover::HelperRemoverFactory factory(std::string dorvaneCommand);
}  // namespace helper_removers
