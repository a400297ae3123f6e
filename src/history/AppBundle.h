// The application's name and version as the logs write them. Any thread.
#pragma once

#include <optional>
#include <string>

namespace app_bundle {
std::string appName();                                       // "Dorvane"
// The texts the build wrote in (never null; the revision is "unknown" outside a git checkout).
const char* versionText();
const char* revisionText();
std::optional<std::string> appReleaseVersion();              // the project's version
std::optional<std::string> appBuildVersion();                // the build's git revision
// "release (build)" when both exist and differ, else the release version.
std::optional<std::string> appReleaseVersionWithBuildNumber();
// "name vRELEASE (build)", or the name alone without a version.
std::string appNameWithReleaseAndBuildNumber();
}  // namespace app_bundle
