// What a finished scan did not look at, worked out from its tree once the scan is over: files left out
// by rule (inside hidden folders, excluded extensions) and the folders and files inside the tree that
// could not be read, with the system's reason. collect() may run on any thread; it shares its system
// calls with one worker of the spread executor, and the tree must not change meanwhile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FolderSystemItem;

struct LeftOut {
    struct Unreadable {
        std::string path;
        std::string reason;
        bool folder = false;
    };

    std::uint64_t filesInHiddenFolders = 0;
    std::uint64_t filesWithExcludedExtension = 0;
    std::uint64_t filesInExcludedFolders = 0;  // below the folders excluded for this run (--exclude)
    std::vector<std::string> excludedExtensionsSeen;  // ".so", in the order met, each once
    std::vector<Unreadable> unreadable;                 // in path order

    std::uint64_t unreadableFolders() const;
    std::uint64_t unreadableFiles() const;

    // `excludedExtensions` as stored (".so"); compared without regard to ASCII case. `excludedFolders`
    // are absolute paths as the tree spells them.
    static LeftOut collect(const std::vector<const FolderSystemItem*>& roots, bool includeHidden,
                           const std::vector<std::string>& excludedExtensions,
                           const std::vector<std::string>& excludedFolders = {});
    // Adds the files a phase after collect() failed to read (the heap search reads small files), unless
    // listed already; one pass over the tree, no system call but for each such file.
    void addLaterReadFailures(const std::vector<const FolderSystemItem*>& roots);
};
