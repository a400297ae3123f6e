// A plain picture of one scan's results for the command line's text and JSON reports: categories in
// report order, groups largest first (ties by their first path), members in path order, and the scan's
// facts. Built on the main thread from a container.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/LeftOut.h"

class DuplicatesContainer;

struct ScanReport {
    // Sizes: "disk" ones are allocated blocks (what removal frees), the others logical bytes (content).
    // A file with several names among a group's members counts once.
    struct Member {
        // The results' own copy of the path: valid while the container's items are, or, after
        // keepOwnPaths(), while the report is.
        std::string_view path;
        std::uint64_t size = 0;
        std::uint64_t diskSize = 0;
        std::int64_t modified = 0;  // seconds since 1970
        std::uint64_t device = 0;   // as the walk saw them, or read when the report is made (0 when
        std::uint64_t inode = 0;    // unreadable), so that a plan made of the report can tell a replaced file
        bool selected = false;
        bool seen = false;  // device, inode and date as the walk saw them (SeenFiles)
    };
    struct Group {
        std::int64_t id = 0;
        std::uint64_t copySize = 0;
        std::uint64_t copies = 0;          // distinct files among the members
        std::uint64_t hardLinkNames = 0;   // members that share their file with another member
        std::uint64_t hardLinkFiles = 0;   // the files those names belong to
        std::uint64_t reclaimableSize = 0;
        std::uint64_t reclaimableContentSize = 0;
        std::uint64_t totalSize = 0;
        std::uint64_t totalContentSize = 0;
        std::vector<Member> members;
    };
    struct Category {
        std::string kind;   // "image", "video", "music", "document", "archive", "other", "folder"
        std::string title;  // "Images", …
        std::uint64_t totalSize = 0;
        std::uint64_t totalContentSize = 0;
        std::vector<Group> groups;
    };
    struct Heap {
        std::vector<std::string> folders;  // the pair, in path order
        std::uint64_t groups = 0;
        std::uint64_t size = 0;
    };

    // Scan facts.
    std::vector<std::string> folders;
    bool complete = true;
    std::uint64_t foldersScanned = 0;
    std::uint64_t filesScanned = 0;
    std::uint64_t minimalSize = 0;
    bool minimalSizeAutomatic = false;
    bool automaticStopLeftSmallFiles = false;  // the automatic stop ended the search at minimalSize
    bool fullHash = false;
    bool selectionApplied = false;  // copies were chosen for removal: the text report marks each copy
    double durationSeconds = 0;
    std::uint64_t invalidNames = 0;
    LeftOut leftOut;  // files left out by rule, entries that could not be read

    std::vector<Category> categories;  // only those with groups
    std::vector<Heap> heaps;  // each pair of folders once, largest first

    // Summary.
    std::uint64_t groupCount = 0;
    std::uint64_t duplicateFiles = 0;  // files, not names: names of one file count once
    std::uint64_t duplicatesSize = 0;
    std::uint64_t duplicatesContentSize = 0;
    std::uint64_t reclaimableSize = 0;
    std::uint64_t reclaimableContentSize = 0;

    // Fills categories and summary from the container. Groups lying wholly inside duplicate
    // folders are in the hidden category and are not listed on their own.
    // With readFileFacts, each member's modification time, device and inode are stated: as the walk saw
    // them when the container kept that (DuplicatesContainer::seenFiles; sealed here), else read from the
    // disk (one lstat each, shared out among the spread executor's workers and the calling thread);
    // without, they stay 0 unless the walk's are kept (the text report shows none of them).
    void addResults(DuplicatesContainer& container, bool readFileFacts = false);
    // Fills heaps: each pair of folders once, largest first.
    void addHeaps(const DuplicatesContainer& container);
    // Copies the members' paths into the report, before anything may let the results' items go
    // (a removal does): until then the report only points at them.
    void keepOwnPaths();

private:
    std::deque<std::string> m_ownPaths;
};
