// What a scan left out, worked out beside the folder phases: start() is called once every file has been
// compared (the scan session's FilesCompared) and runs LeftOut::collect on the background pool while the
// folder phases run; take() waits for it, or collects then when the scan never got that far, and adds
// what the heap search failed to read. Main thread only; the destructor waits for the work.
#pragma once

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "cli/LeftOut.h"

class DuplicatesContainer;

class LeftOutCollection {
public:
    LeftOutCollection(bool includeHidden, std::vector<std::string> excludedExtensions,
                      std::vector<std::string> excludedFolders);
    ~LeftOutCollection();
    LeftOutCollection(const LeftOutCollection&) = delete;
    LeftOutCollection& operator=(const LeftOutCollection&) = delete;

    void start(const std::shared_ptr<DuplicatesContainer>& container);
    // `roots`: the finished scan's tree (the one start() was given, if it was called).
    LeftOut take(const std::vector<const FolderSystemItem*>& roots);

private:
    const bool m_bIncludeHidden;
    const std::vector<std::string> m_arrExcludedExtensions;
    const std::vector<std::string> m_arrExcludedFolders;
    std::shared_ptr<DuplicatesContainer> m_pContainer;  // keeps the tree while the work reads it
    std::future<LeftOut> m_future;
};
