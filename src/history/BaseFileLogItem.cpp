#include "history/BaseFileLogItem.h"

#include <QJsonObject>
#include <QJsonValue>

#include "history/KeptItem.h"
#include "history/PathBytes.h"
#include "history/PermanentlyRemovedItem.h"
#include "history/RemoveDate.h"
#include "history/RestoreItem.h"
#include "platform/FileSystem.h"
#include "platform/UserPaths.h"

namespace {
bool hasExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot != std::string::npos && dot > 0 && dot + 1 < name.size();
}

std::optional<std::string> textOf(const QJsonObject& object, const std::string& key) {
    const QJsonValue value = object.value(QString::fromStdString(key));
    if (!value.isString()) return std::nullopt;
    return value.toString().toStdString();
}

std::string withTilde(const std::string& path) {
    const std::string home = user_paths::home();
    if (home.empty() || home == "/") return path;
    if (path == home) return "~";
    if (path.size() > home.size() && path.compare(0, home.size(), home) == 0 && path[home.size()] == '/')
        return "~" + path.substr(home.size());
    return path;
}

template <typename Item>
std::shared_ptr<Item> makeItem(const QJsonValue& value) {
    auto item = std::make_shared<Item>();
    return item->initWithJsonObject(value, Item::originalPathKey()) ? item : nullptr;
}
}  // namespace

bool BaseFileLogItem::initWithJsonObject(const QJsonValue& value, const std::string& originalPathKey) {
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const auto path = path_bytes::pathOf(object, originalPathKey);
        if (!path) return false;
        m_sOriginalPath = *path;
        m_nFileSize = kUnknownSize;
        if (const auto size = textOf(object, sizeKey())) {
            try {
                std::size_t used = 0;
                const long long parsed = std::stoll(*size, &used);
                if (used == size->size()) m_nFileSize = parsed;
            } catch (...) {  // not a number: the size stays unknown
            }
        }
        m_sOriginalFileModificationDateString = textOf(object, modificationDateKey());
        m_bHasModificationDateBeenCalculated = !m_sOriginalFileModificationDateString;
        const auto flag = textOf(object, isDirectoryKey());
        m_bIsDirectory = flag ? *flag == "1" : !hasExtension(m_sOriginalPath);
        return true;
    }
    if (value.isString()) {
        m_sOriginalPath = value.toString().toStdString();
        m_nFileSize = kUnknownSize;
        m_bIsDirectory = !hasExtension(m_sOriginalPath);
        m_bHasModificationDateBeenCalculated = true;
        return true;
    }
    return false;
}

std::optional<std::int64_t> BaseFileLogItem::originalFileModificationDate() const {
    std::lock_guard lock(m_dateMutex);
    if (!m_bHasModificationDateBeenCalculated) {
        m_bHasModificationDateBeenCalculated = true;
        if (m_sOriginalFileModificationDateString)
            m_originalFileModificationDate = remove_date::removeDateFromString(*m_sOriginalFileModificationDateString);
    }
    return m_originalFileModificationDate;
}

bool BaseFileLogItem::initWithFileURL(const std::string& path) {
    FileAttributes attributes;
    if (!FileSystem::standard().attributes(path, attributes)) return false;
    m_sOriginalPath = path;
    m_bIsDirectory = attributes.kind == FileKind::Folder;
    m_nFileSize = static_cast<std::int64_t>(attributes.size);
    m_sOriginalFileModificationDateString = remove_date::stringWithDate(attributes.modificationSeconds);
    std::lock_guard lock(m_dateMutex);
    m_bHasModificationDateBeenCalculated = true;
    m_originalFileModificationDate = attributes.modificationSeconds;
    return true;
}

std::optional<std::int64_t> BaseFileLogItem::removeDate() const {
    return m_pDataSource ? m_pDataSource->removeDateOfItems() : std::nullopt;
}

std::recursive_mutex& BaseFileLogItem::restoreCacheMutex() const {
    return m_pDataSource ? m_pDataSource->restoreCacheMutex() : m_ownCacheMutex;
}

std::string BaseFileLogItem::originalPathDisplayString() const { return withTilde(m_sOriginalPath); }

std::shared_ptr<KeptItem> KeptItem::itemFromJsonObject(const QJsonValue& value) { return makeItem<KeptItem>(value); }

std::shared_ptr<PermanentlyRemovedItem> PermanentlyRemovedItem::itemFromJsonObject(const QJsonValue& value) {
    return makeItem<PermanentlyRemovedItem>(value);
}

std::shared_ptr<RestoreItem> RestoreItem::itemFromJsonObject(const QJsonValue& value) {
    if (!value.isObject()) return nullptr;
    const auto pathInTrash = path_bytes::pathOf(value.toObject(), pathInTrashKey());
    if (!pathInTrash) return nullptr;
    auto item = makeItem<RestoreItem>(value);
    if (item) item->m_sPathInTrash = *pathInTrash;
    return item;
}

std::string RestoreItem::pathInTrashDisplayString() const { return withTilde(m_sPathInTrash); }
