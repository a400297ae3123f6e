#include "cli/ReportWriter.h"

#include <cstdio>
#include <ostream>
#include <string_view>

#include "cli/Format.h"

namespace {
// Collects the report in a small buffer that goes to the stream whenever it holds 64 KiB, so a report
// of a hundred thousand members is never held whole in memory.
class ChunkedOut {
public:
    explicit ChunkedOut(std::ostream& stream) : m_stream(stream) { m_buffer.reserve(kChunk + 4096); }
    ChunkedOut(const ChunkedOut&) = delete;
    ChunkedOut& operator=(const ChunkedOut&) = delete;
    ~ChunkedOut() { flush(); }

    ChunkedOut& operator+=(std::string_view text) {
        m_buffer += text;
        if (m_buffer.size() >= kChunk) flush();
        return *this;
    }
    void flush() {
        m_stream.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_buffer.clear();
    }

private:
    static constexpr std::size_t kChunk = 64 * 1024;
    std::ostream& m_stream;
    std::string m_buffer;
};

const char* plural(std::uint64_t n, const char* one, const char* many) { return n == 1 ? one : many; }

// A path that is not valid UTF-8 is shown lossily in "path"; its exact bytes follow in base64.
std::string pathBytes(std::string_view path) {
    return format::isValidUtf8(path) ? std::string() : ", \"path_bytes\": \"" + format::base64(path) + "\"";
}

std::string skippedJson(const LeftOut& left) {
    std::string out;
    for (std::size_t i = 0; i < left.unreadable.size(); ++i) {
        const auto& u = left.unreadable[i];
        out += std::string(i ? "," : "") + "\n      { \"path\": " + format::jsonString(u.path) + pathBytes(u.path) +
               ", \"kind\": " + (u.folder ? "\"folder\"" : "\"file\"") + ", \"reason\": " + format::jsonString(u.reason) +
               " }";
    }
    return out + (left.unreadable.empty() ? "" : "\n    ");
}
}  // namespace

namespace report_writer {

namespace {
// Space on disk, followed by the content's size where the two read differently
// ("12 KiB on disk (20 GiB of content)").
std::string diskAndContent(std::uint64_t disk, std::uint64_t content) {
    std::string onDisk = format::size(disk);
    std::string ofContent = format::size(content);
    if (onDisk == ofContent) return onDisk;
    return onDisk + " on disk (" + ofContent + " of content)";
}

std::string hardLinks(std::uint64_t names, std::uint64_t files) {
    return "hard links: " + format::count(names) + " names of " + (files == 1 ? "one file" : format::count(files) + " files");
}
}  // namespace

void text(std::ostream& stream, const ScanReport& r) {
    ChunkedOut out(stream);
    if (!r.complete) out += "The scan was stopped: these results are incomplete.\n\n";
    for (const auto& c : r.categories) {
        out += c.title + " (" + format::count(c.groups.size()) + (c.groups.size() == 1 ? " group, " : " groups, ") +
               diskAndContent(c.totalSize, c.totalContentSize) + ")\n";
        for (const auto& g : c.groups) {
            out += "  " + format::counted(g.copies, "copy", "copies") + " of " + format::size(g.copySize) + ", frees " +
                   diskAndContent(g.reclaimableSize, g.reclaimableContentSize);
            if (g.hardLinkNames > 0) out += " (" + hardLinks(g.hardLinkNames, g.hardLinkFiles) + ")";
            out += "\n";
            for (const auto& m : g.members) {
                const char* mark = !r.selectionApplied ? "    " : m.selected ? "    remove  " : "    keep    ";
                out += mark + format::displayPath(m.path) + "\n";
            }
        }
        out += "\n";
    }
    if (!r.heaps.empty()) {
        out += "Folders that share duplicates\n";
        for (const auto& h : r.heaps) {
            out += "  " + format::counted(h.groups, "shared group", "shared groups") + ", " + format::size(h.size) + "\n";
            for (const auto& f : h.folders) out += "    " + format::displayPath(f) + "\n";
        }
        out += "\n";
    }
    if (r.categories.empty()) out += "No duplicates found.\n\n";

    auto line = [&](const char* label, const std::string& value) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "  %-20s", label);
        out += buffer + value + "\n";
    };
    out += "Summary\n";
    for (std::size_t i = 0; i < r.folders.size(); ++i) line(i == 0 ? "Folders:" : "", format::displayPath(r.folders[i]));
    line("Folders scanned:", format::count(r.foldersScanned));
    line("Files scanned:", format::count(r.filesScanned));
    line("Duplicate groups:", format::count(r.groupCount));
    line("Duplicate files:", format::count(r.duplicateFiles));
    line("Duplicates' size:", diskAndContent(r.duplicatesSize, r.duplicatesContentSize));
    line("Reclaimable size:", diskAndContent(r.reclaimableSize, r.reclaimableContentSize));
    std::string minimal = format::size(r.minimalSize);
    if (r.minimalSizeAutomatic) {
        minimal += r.automaticStopLeftSmallFiles
                       ? " (chosen automatically: the search stopped after 30 s, so smaller files were not examined)"
                   : r.complete ? " (chosen automatically: files of every size were examined)"
                                : " (chosen automatically; the scan was stopped before every size was examined)";
    }
    line("Minimal file size:", minimal);
    line("Content check:", r.fullHash ? "whole files" : "three samples of large files, whole files where needed");
    line("Time taken:", format::duration(r.durationSeconds));
    if (r.invalidNames > 0)
        line("Names not UTF-8:", format::count(r.invalidNames) + " (kept; shown with \\xHH for the odd bytes)");
    const LeftOut& left = r.leftOut;
    if (left.filesInHiddenFolders > 0 || left.filesWithExcludedExtension > 0 || left.filesInExcludedFolders > 0) {
        std::string text;
        if (left.filesInHiddenFolders > 0)
            text = format::count(left.filesInHiddenFolders) + plural(left.filesInHiddenFolders, " file", " files") +
                   " in hidden folders (--hidden to include)";
        if (left.filesWithExcludedExtension > 0) {
            std::string extensions;
            for (std::size_t i = 0; i < left.excludedExtensionsSeen.size() && i < 3; ++i)
                extensions += (i ? ", " : "") + left.excludedExtensionsSeen[i];
            if (left.excludedExtensionsSeen.size() > 3) extensions += " …";
            text += (text.empty() ? format::count(left.filesWithExcludedExtension) +
                                        plural(left.filesWithExcludedExtension, " file", " files")
                                  : ", " + format::count(left.filesWithExcludedExtension)) +
                    " by excluded extension (" + extensions + ": dorvane settings get exclude-extensions)";
        }
        if (left.filesInExcludedFolders > 0)
            text += (text.empty() ? "" : ", ") + format::count(left.filesInExcludedFolders) +
                    plural(left.filesInExcludedFolders, " file", " files") + " in folders excluded by --exclude";
        line("Left out:", text);
    }
    if (!left.unreadable.empty()) {
        const std::uint64_t folders = left.unreadableFolders(), files = left.unreadableFiles();
        line("Not readable:", format::count(folders) + plural(folders, " folder", " folders") + ", " +
                                  format::count(files) + plural(files, " file", " files") + " (see --format json)");
    }
}

void json(std::ostream& stream, const ScanReport& r, const std::string& more) {
    ChunkedOut out(stream);
    out += "{\n  \"version\": 1,\n  \"scan\": {\n    \"folders\": [";
    for (std::size_t i = 0; i < r.folders.size(); ++i) out += (i ? ", " : "") + format::jsonString(r.folders[i]);
    char number[64];
    std::snprintf(number, sizeof number, "%.3f", r.durationSeconds);
    out += "],\n    \"complete\": " + std::string(r.complete ? "true" : "false") +
           ",\n    \"folders_scanned\": " + std::to_string(r.foldersScanned) +
           ",\n    \"files_scanned\": " + std::to_string(r.filesScanned) +
           ",\n    \"minimal_size\": " + std::to_string(r.minimalSize) +
           ",\n    \"minimal_size_automatic\": " + (r.minimalSizeAutomatic ? "true" : "false") +
           ",\n    \"automatic_stop\": " + (r.automaticStopLeftSmallFiles ? "true" : "false") +
           ",\n    \"full_hash\": " + (r.fullHash ? "true" : "false") +
           ",\n    \"skipped_invalid_names\": 0" +
           ",\n    \"invalid_utf8_names\": " + std::to_string(r.invalidNames) +
           ",\n    \"left_out\": { \"hidden_folders\": " + std::to_string(r.leftOut.filesInHiddenFolders) +
           ", \"excluded_extension\": " + std::to_string(r.leftOut.filesWithExcludedExtension) +
           ", \"excluded_folders\": " + std::to_string(r.leftOut.filesInExcludedFolders) + " }" +
           ",\n    \"skipped\": [" + skippedJson(r.leftOut) + "]" +
           ",\n    \"duration_s\": " + number + "\n  },\n";
    out += "  \"summary\": { \"groups\": " + std::to_string(r.groupCount) +
           ", \"duplicate_files\": " + std::to_string(r.duplicateFiles) +
           ", \"duplicates_size\": " + std::to_string(r.duplicatesSize) +
           ", \"duplicates_content_size\": " + std::to_string(r.duplicatesContentSize) +
           ", \"reclaimable_size\": " + std::to_string(r.reclaimableSize) +
           ", \"reclaimable_content_size\": " + std::to_string(r.reclaimableContentSize) + " },\n";
    out += "  \"categories\": [";
    for (std::size_t ci = 0; ci < r.categories.size(); ++ci) {
        const auto& c = r.categories[ci];
        out += std::string(ci ? "," : "") + "\n    { \"kind\": " + format::jsonString(c.kind) +
               ", \"total_size\": " + std::to_string(c.totalSize) +
               ", \"total_content_size\": " + std::to_string(c.totalContentSize) + ",\n      \"groups\": [";
        for (std::size_t gi = 0; gi < c.groups.size(); ++gi) {
            const auto& g = c.groups[gi];
            out += std::string(gi ? "," : "") + "\n        { \"id\": " + std::to_string(g.id) +
                   ", \"copy_size\": " + std::to_string(g.copySize) + ", \"copies\": " + std::to_string(g.copies) +
                   ", \"hard_links\": " + std::to_string(g.hardLinkNames) +
                   ", \"reclaimable_size\": " + std::to_string(g.reclaimableSize) +
                   ", \"reclaimable_content_size\": " + std::to_string(g.reclaimableContentSize) +
                   ",\n          \"members\": [";
            for (std::size_t mi = 0; mi < g.members.size(); ++mi) {
                const auto& m = g.members[mi];
                // Appended piece by piece: a report holds a line like this for every copy.
                out += mi ? ",\n            { \"path\": " : "\n            { \"path\": ";
                out += format::jsonString(m.path);
                out += pathBytes(m.path);
                out += ", \"size\": ";
                out += std::to_string(m.size);
                out += ", \"disk_size\": ";
                out += std::to_string(m.diskSize);
                out += ", \"modified\": ";
                out += format::jsonString(format::isoTimeUtc(m.modified));
                out += ", \"device\": ";
                out += std::to_string(m.device);
                out += ", \"inode\": ";
                out += std::to_string(m.inode);
                out += m.selected ? ", \"selected\": true }" : ", \"selected\": false }";
            }
            out += " ] }";
        }
        out += " ] }";
    }
    out += std::string(r.categories.empty() ? "" : "\n  ") + "],\n  \"heaps\": [";
    for (std::size_t hi = 0; hi < r.heaps.size(); ++hi) {
        const auto& h = r.heaps[hi];
        out += std::string(hi ? "," : "") + "\n    { \"folders\": [";
        for (std::size_t fi = 0; fi < h.folders.size(); ++fi) out += (fi ? ", " : "") + format::jsonString(h.folders[fi]);
        out += "], \"groups\": " + std::to_string(h.groups) + ", \"size\": " + std::to_string(h.size) + " }";
    }
    out += std::string(r.heaps.empty() ? "" : "\n  ") + "]";
    if (!more.empty()) out += ",\n" + more.substr(0, more.size() - 2);
    out += "\n}\n";
}

std::string removalJson(const RemovalOutcome& o) {
    auto list = [](const std::vector<std::string>& paths) {
        std::string out = "[";
        for (std::size_t i = 0; i < paths.size(); ++i) out += (i ? ",\n      " : "\n      ") + format::jsonString(paths[i]);
        return out + (paths.empty() ? "]" : " ]");
    };
    std::string failed = "[";
    for (std::size_t i = 0; i < o.failed.size(); ++i)
        failed += std::string(i ? ",\n      " : "\n      ") + "{ \"path\": " + format::jsonString(o.failed[i].path) +
                  ", \"reason\": " + format::jsonString(o.failed[i].reason) + " }";
    failed += o.failed.empty() ? "]" : " ]";
    return "  \"removal\": { \"dry_run\": " + std::string(o.dryRun ? "true" : "false") +
           ", \"to\": " + (o.permanent ? "\"permanent\"" : "\"trash\"") +
           ", \"removed_size\": " + std::to_string(o.removedSize) +
           ", \"stopped\": " + (o.stopped ? "true" : "false") +
           ", \"not_processed\": " + std::to_string(o.notProcessed) +
           ",\n    \"removed\": " + list(o.removed) + ",\n    \"kept\": " + list(o.kept) +
           ",\n    \"failed\": " + failed +
           ",\n    \"history\": " + (o.history ? format::jsonString(*o.history) : std::string("null")) + " },\n";
}

}  // namespace report_writer
