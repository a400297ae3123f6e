#include "cli/ScanOptions.h"

#include "settings/SizeText.h"

std::optional<std::uint64_t> parseSize(const std::string& text) { return size_text::parse(text); }

ScanOptionsResult parseScanOptions(const std::vector<std::string>& arguments) {
    ScanOptions o;
    bool onlyFolders = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](const std::string& name) -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            (void)name;
            return arguments[++i];
        };
        if (onlyFolders || a.empty() || a[0] != '-' || a == "-") {
            o.folders.push_back(a);
        } else if (a == "--") {
            onlyFolders = true;
        } else if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--full") {
            o.choices.fullHash = true;
        } else if (a == "--all-sizes") {
            o.choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
            o.choices.fixedMinimalSize = 0;
        } else if (a == "--auto-size") {
            o.choices.minimalSizeMode = ScanChoices::MinimalSize::Automatic;
        } else if (a == "--min-size" || a.starts_with("--min-size=")) {
            std::optional<std::string> v = a == "--min-size" ? value(a) : std::optional(a.substr(11));
            if (!v) return {std::nullopt, "--min-size needs a size"};
            auto size = parseSize(*v);
            if (!size) return {std::nullopt, "--min-size: '" + *v + "' is not a size (bytes, or 10K, 1.5M, 2G)"};
            o.choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
            o.choices.fixedMinimalSize = *size;
        } else if (a == "--hidden") {
            o.choices.includeHidden = true;
        } else if (a == "--no-folders") {
            o.choices.searchDuplicateFolders = false;
        } else if (a == "--format" || a.starts_with("--format=")) {
            std::optional<std::string> v = a == "--format" ? value(a) : std::optional(a.substr(9));
            if (!v) return {std::nullopt, "--format needs text or json"};
            if (*v == "text") o.format = ScanOptions::Format::Text;
            else if (*v == "json") o.format = ScanOptions::Format::Json;
            else return {std::nullopt, "--format: '" + *v + "' is neither text nor json"};
        } else if (a == "-o" || a == "--output" || a.starts_with("--output=")) {
            std::optional<std::string> v = a.starts_with("--output=") ? std::optional(a.substr(9)) : value(a);
            if (!v || v->empty()) return {std::nullopt, a + " needs a file name"};
            o.outputFile = *v;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "--select" || a.starts_with("--select=")) {
            std::optional<std::string> v = a == "--select" ? value(a) : std::optional(a.substr(9));
            if (!v || *v != "auto") return {std::nullopt, "--select takes 'auto'"};
            o.selectAuto = true;
        } else if (a == "--always-select" || a == "--never-select") {
            std::optional<std::string> v = value(a);
            if (!v || v->empty()) return {std::nullopt, a + " needs a folder"};
            (a == "--always-select" ? o.alwaysSelectFolders : o.neverSelectFolders).push_back(*v);
        } else if (a == "--remove") {
            o.remove = true;
        } else if (a == "--permanent") {
            o.permanent = true;
        } else if (a == "-y" || a == "--yes") {
            o.yes = true;
        } else if (a == "--dry-run") {
            o.dryRun = true;
        } else if (a == "--wait") {
            o.wait = true;
        } else {
            return {std::nullopt, "unknown option '" + a + "'"};
        }
    }
    if ((o.permanent || o.dryRun || o.wait) && !o.remove)
        return {std::nullopt, "--permanent, --dry-run and --wait go with --remove"};
    if (o.remove && !o.selectAuto) return {std::nullopt, "--remove needs --select auto (it removes the selected copies)"};
    return {o, {}};
}

const char* scanUsage() {
    return "usage: dorvane scan [options] FOLDER...       (no FOLDER: the home folder)\n"
           "  --full             whole-file digests for every file (the full-scale scan)\n"
           "  --min-size SIZE    ignore files smaller than SIZE (bytes, or 10K, 1.5M, 2G)\n"
           "  --all-sizes        files of every size (minimal size 0)\n"
           "  --auto-size        let the scan choose the minimal size (the default setting)\n"
           "  --hidden           look inside hidden folders too (names beginning with \".\"); without it\n"
           "                     they are left out, while hidden files in visible folders always take part\n"
           "  --no-folders       skip the duplicate-folder and heap phases\n"
           "  --format FORMAT    text (default) or json\n"
           "  -o, --output FILE  write the report there instead of standard output\n"
           "  -q, --quiet        no progress display\n"
           "  --select auto      choose the copies to remove in every group (one copy always stays)\n"
           "  --always-select DIR, --never-select DIR\n"
           "                     prefer removing copies in DIR / never select copies in DIR (this run only)\n"
           "  --remove           remove the selected copies to the Trash (needs --select auto)\n"
           "  --permanent        with --remove: delete them for good instead (asks first)\n"
           "  -y, --yes          answer every question with OK\n"
           "  --dry-run          with --remove: print what would be removed, touch nothing\n"
           "  --wait             with --remove: wait for another removal run to end (else exit 1)\n";
}
