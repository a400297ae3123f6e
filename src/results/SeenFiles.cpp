#include "results/SeenFiles.h"

#include <algorithm>
#include <functional>

void SeenFiles::seal() {
    std::sort(m_arrSeen.begin(), m_arrSeen.end(), [](const auto& a, const auto& b) {
        return std::less<const FileSystemItem*>()(a.first, b.first);
    });
}

const SeenFiles::Facts* SeenFiles::find(const FileSystemItem* item) const {
    const auto it = std::lower_bound(m_arrSeen.begin(), m_arrSeen.end(), item, [](const auto& seen, const FileSystemItem* i) {
        return std::less<const FileSystemItem*>()(seen.first, i);
    });
    return it != m_arrSeen.end() && it->first == item ? &it->second : nullptr;
}
