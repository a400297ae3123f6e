#include "detection/UMUTITypeCache.h"

UMUTITypeCache& UMUTITypeCache::cache() {
    static UMUTITypeCache instance;
    return instance;
}

void UMUTITypeCache::setUTIType(FileType type, std::string_view extension) {
    std::unique_lock lock(m_mutex);
    m_types.insert_or_assign(std::string(extension), type);
}

FileType UMUTITypeCache::fileTypeIdentifierWithExtension(std::string_view extension) const {
    std::shared_lock lock(m_mutex);
    auto it = m_types.find(extension);
    return it == m_types.end() ? FileTypeUnknown : it->second;
}
