// The user's folders: home, the XDG configuration, data and cache folders, the application's own folder.
// Read from the environment on every call, so tests can point them at a temporary folder. Thread-safe.
#pragma once

#include <string>

namespace user_paths {
std::string home();            // FileSystem::standard().homeFolder()
std::string configHome();      // $XDG_CONFIG_HOME, else ~/.config
std::string dataHome();        // $XDG_DATA_HOME, else ~/.local/share
std::string cacheHome();       // $XDG_CACHE_HOME, else ~/.cache
std::string applicationData(); // dataHome()/Dorvane
std::string settingsFile();    // configHome()/dorvane/settings.json
std::string digestCacheFile(); // cacheHome()/dorvane/digests
std::string workingFolder();   // the process's current folder, byte for byte ("/" when unknown)
}  // namespace user_paths
