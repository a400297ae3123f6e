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
        } else if (a == "--no-cache") {
            o.choices.useDigestCache = false;
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
            if (v && *v == "auto") o.selection = ScanOptions::Selection::Auto;
            else if (v && *v == "newest") o.selection = ScanOptions::Selection::KeepNewest;
            else if (v && *v == "oldest") o.selection = ScanOptions::Selection::KeepOldest;
            else return {std::nullopt, "--select takes auto, newest or oldest"};
        } else if (a == "--keep-in" || a == "--exclude") {
            std::optional<std::string> v = value(a);
            if (!v || v->empty()) return {std::nullopt, a + " needs a folder"};
            (a == "--keep-in" ? o.keepInFolders : o.excludeFolders).push_back(*v);
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
    if (o.selection != ScanOptions::Selection::None && !o.keepInFolders.empty())
        return {std::nullopt, "--keep-in chooses the copies by itself: give it without --select"};
    if (!o.choosesCopies()) {
        if (!o.alwaysSelectFolders.empty()) return {std::nullopt, "--always-select goes with --select"};
        if (!o.neverSelectFolders.empty()) return {std::nullopt, "--never-select goes with --select or --keep-in"};
    }
    if (!o.alwaysSelectFolders.empty() && o.selection != ScanOptions::Selection::Auto)
        return {std::nullopt, "--always-select goes with --select auto"};
    if (o.wait && !o.remove) return {std::nullopt, "--wait goes with --remove"};
    if ((o.permanent || o.dryRun) && !o.remove && !o.choosesCopies())
        return {std::nullopt, "--permanent and --dry-run go with --remove (or with --select, to show what would go)"};
    if (o.permanent && !o.remove && !o.dryRun) return {std::nullopt, "--permanent goes with --remove or --dry-run"};
    if (o.remove && !o.choosesCopies())
        return {std::nullopt, "--remove needs --select or --keep-in (it removes the selected copies)"};
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
           "  --no-cache         read every file again: neither use nor update the digests kept from\n"
           "                     earlier scans (~/.cache/dorvane/digests)\n"
           "  --format FORMAT    text (default) or json; with --remove the JSON holds the removal's result\n"
           "  -o, --output FILE  write the report there instead of standard output; a JSON report is the\n"
           "                     plan 'dorvane remove FILE' acts on\n"
           "  -q, --quiet        no progress display\n"
           "  --exclude DIR      leave DIR out of this run (repeatable)\n"
           "  --select auto      choose the copies to remove in every group (one copy always stays)\n"
           "  --select newest    keep the newest copy of each group (modification time), select the others\n"
           "  --select oldest    keep the oldest copy of each group, select the others\n"
           "  --keep-in DIR      keep the copies at or below DIR, select the others of their groups;\n"
           "                     groups without a copy there stay unselected (repeatable)\n"
           "  --always-select DIR, --never-select DIR\n"
           "                     prefer removing copies in DIR (--select auto) / never select copies in DIR\n"
           "                     (this run only; repeatable; only with a --select or --keep-in)\n"
           "  --remove           remove the selected copies to the Trash (needs --select or --keep-in)\n"
           "  --permanent        with --remove: delete them for good instead (asks first)\n"
           "  -y, --yes          answer every question with OK\n"
           "  --dry-run          with --remove, --select or --keep-in: print what would be removed, touch nothing\n"
           "  --wait             with --remove: wait for another removal run to end (else exit 1)\n"
           "\n"
           "Review, then act: 'dorvane scan --select auto --format json -o plan.json', change \"selected\" in\n"
           "plan.json where you disagree, then 'dorvane remove plan.json' ('dorvane remove --help').\n";
}
