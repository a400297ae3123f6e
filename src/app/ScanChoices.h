// The choices one scan starts with. Unset fields are taken from the settings when the scan starts,
// so a caller overrides only what it was told to, for this run only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ScanChoices {
    enum class MinimalSize { FromSettings, Automatic, Fixed };
    MinimalSize minimalSizeMode = MinimalSize::FromSettings;
    std::uint64_t fixedMinimalSize = 0;   // used with MinimalSize::Fixed
    std::optional<bool> fullHash;         // else the run's full-hash state
    std::optional<bool> includeHidden;    // else "KEY_scanInHiddenFolders"
    std::optional<bool> useDigestCache;   // else "KEY_useDigestCache"
    bool searchDuplicateFolders = true;   // duplicate-folder and heap phases
    std::vector<std::string> excludeFolders;  // absolute, left out of this scan besides the stored list
    bool keepSeenFiles = false;  // the results keep what the walk saw of members (a report states it)

    // What the settings and the overrides give together.
    struct Resolved {
        bool automaticMinimalSize;
        std::uint64_t minimalSize;  // meaningful when not automatic
        bool fullHash;
        bool includeHidden;
        bool useDigestCache;
        bool searchDuplicateFolders;
    };
    Resolved resolve() const;
};
