#include "platform/UserPaths.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace user_paths {
namespace {
std::string fromEnvironment(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    // Relative values are invalid by the XDG base directory rules and are ignored.
    if (v && v[0] == '/') return v;
    return fallback;
}
}  // namespace

std::string home() { return FileSystem::standard().homeFolder(); }
std::string configHome() { return fromEnvironment("XDG_CONFIG_HOME", home() + "/.config"); }
std::string dataHome() { return fromEnvironment("XDG_DATA_HOME", home() + "/.local/share"); }
std::string cacheHome() { return fromEnvironment("XDG_CACHE_HOME", home() + "/.cache"); }
std::string applicationData() { return dataHome() + "/Dorvane"; }
std::string settingsFile() { return configHome() + "/dorvane/settings.json"; }
std::string digestCacheFile() { return cacheHome() + "/dorvane/digests"; }
std::string workingFolder() {
    char* cwd = ::getcwd(nullptr, 0);
    std::string folder = cwd ? cwd : "/";
    std::free(cwd);
    return folder;
}
}  // namespace user_paths
