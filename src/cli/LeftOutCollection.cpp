#include "cli/LeftOutCollection.h"

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "results/DuplicatesContainer.h"
#include "scan/VolumeSystemItem.h"

LeftOutCollection::LeftOutCollection(bool includeHidden, std::vector<std::string> excludedExtensions,
                                     std::vector<std::string> excludedFolders)
    : m_bIncludeHidden(includeHidden),
      m_arrExcludedExtensions(std::move(excludedExtensions)),
      m_arrExcludedFolders(std::move(excludedFolders)) {}

LeftOutCollection::~LeftOutCollection() {
    if (m_future.valid()) m_future.wait();
}

void LeftOutCollection::start(const std::shared_ptr<DuplicatesContainer>& container) {
    if (m_future.valid() || !container) return;
    m_pContainer = container;
    std::vector<const FolderSystemItem*> roots;
    for (const VolumeSystemItem* root : container->buildRootFolders()) roots.push_back(root);
    auto promise = std::make_shared<std::promise<LeftOut>>();
    m_future = promise->get_future();
    // The task reads this object's lists: the destructor waits for it.
    dispatch::background().async([this, promise, roots = std::move(roots)] {
        try {
            promise->set_value(LeftOut::collect(roots, m_bIncludeHidden, m_arrExcludedExtensions, m_arrExcludedFolders));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
}

LeftOut LeftOutCollection::take(const std::vector<const FolderSystemItem*>& roots) {
    LeftOut out = m_future.valid() ? m_future.get()
                                   : LeftOut::collect(roots, m_bIncludeHidden, m_arrExcludedExtensions, m_arrExcludedFolders);
    out.addLaterReadFailures(roots);
    return out;
}
