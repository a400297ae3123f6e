#include "operations/MergeItem.h"

#include <algorithm>

#include "results/DuplicateItem.h"
#include "scan/FolderSystemItem.h"

DuplicatesGroup* MergeItem::group() const {
    const DuplicateItem* duplicate = m_pFile ? m_pFile->getDuplicateItem() : nullptr;
    return duplicate ? duplicate->getGroup() : nullptr;
}

bool MergeItem::isDirectory() const { return m_pFile && m_pFile->isDir(); }

std::uint64_t MergeItem::size() const {
    if (!m_pFile) return 0;
    if (m_pFile->isDir()) {
        std::uint64_t total = 0;
        for (const FileSystemItem* child : static_cast<const FolderSystemItem*>(m_pFile)->childrenDeepArray())
            if (!child->isDir()) total += static_cast<std::uint64_t>(std::max<std::int64_t>(child->logicalSize(), 0));
        return total;
    }
    return static_cast<std::uint64_t>(std::max<std::int64_t>(m_pFile->logicalSize(), 0));
}
