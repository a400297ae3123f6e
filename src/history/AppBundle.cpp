#include "history/AppBundle.h"

namespace {
std::optional<std::string> nonEmpty(const char* text) {
    if (!text || !*text) return std::nullopt;
    return std::string(text);
}
}  // namespace

namespace app_bundle {
std::string appName() { return "Dorvane"; }

std::optional<std::string> appReleaseVersion() { return nonEmpty(versionText()); }

std::optional<std::string> appBuildVersion() { return nonEmpty(revisionText()); }

std::optional<std::string> appReleaseVersionWithBuildNumber() {
    const auto release = appReleaseVersion();
    const auto build = appBuildVersion();
    if (release && build && *release != *build) return *release + " (" + *build + ")";
    return release;
}

std::string appNameWithReleaseAndBuildNumber() {
    const auto version = appReleaseVersionWithBuildNumber();
    return version ? appName() + " v" + *version : appName();
}
}  // namespace app_bundle
