// The guard of every command that removes files: when the settings in effect are the defaults standing
// in for a settings file that could not be used, the Always/Never Select folders and exclusions the
// user chose are gone, so such a command runs only when --yes says so. Main thread.
#pragma once

// True when the command may go on; otherwise says which file and why on standard error.
bool mayRemoveWithTheseSettings(bool yes);
