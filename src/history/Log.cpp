#include "history/Log.h"

#include "history/JArray.h"
#include "history/JObject.h"
#include "history/JTextValue.h"
#include "history/PathBytes.h"
#include "history/RemoveDate.h"
#include "platform/SerialQueue.h"

namespace {
void setText(JObject& object, const std::string& key, std::string text, std::uint64_t order) {
    object.setValueForKey(JTextValue::withText(std::move(text)), key);
    object.setSortOrderForKey(order, key);
}

// A path member; a path that is not UTF-8 also gets its exact bytes, sorted after the file's details.
void setPath(JObject& object, const std::string& key, const std::string& path, std::uint64_t order,
             std::uint64_t bytesOrder) {
    setText(object, key, path, order);
    if (!path_bytes::isValidUtf8(path)) setText(object, path_bytes::bytesKey(key), path_bytes::encode(path), bytesOrder);
}

// "size", "date_mod" and "isDirectory" from `firstOrder` on; a file without a date has no "date_mod".
void setFileDetails(JObject& object, const LogConfigurator& file, std::uint64_t firstOrder) {
    setText(object, "size", std::to_string(file.size), firstOrder);
    if (file.modificationDate) setText(object, "date_mod", Log::stringWithDate(*file.modificationDate), firstOrder + 1);
    setText(object, "isDirectory", file.isDirectory ? "1" : "0", firstOrder + 2);
}
}  // namespace

Log::Log() : m_pWorkQueue(SerialQueue::create("LogQueue")), m_pRoot(std::make_shared<JObject>()) {}

Log::~Log() = default;

void Log::modify(std::function<void(const std::shared_ptr<JObject>& root)> change) {
    if (!change) return;
    std::shared_ptr<Log> self = shared_from_this();
    m_pWorkQueue->async([self, change = std::move(change)] { change(self->m_pRoot); });
}

void Log::waitUntilIdle() {
    m_pWorkQueue->sync([] {});
}

std::shared_ptr<JObject> Log::groupWithIdentifier(const std::string& groupId, const std::shared_ptr<JObject>& root) {
    if (!root) return nullptr;
    const auto changes = JValue::asObject(root->valueForKey("changes"));
    if (!changes) return nullptr;
    bool created = false;
    auto group = changes->objectForKey(groupId, &created);
    if (created) {
        group->setSortOrderForKey(1, "kept");
        group->setSortOrderForKey(2, "removed");
        group->setSortOrderForKey(3, "moved to trash");
    }
    return group;
}

std::string Log::stringWithDate(std::int64_t secondsSince1970) { return remove_date::stringWithDate(secondsSince1970); }

void Log::addFile(const std::string& groupId, const std::string& arrayKey, const LogConfigurator& file) {
    modify([groupId, arrayKey, file](const std::shared_ptr<JObject>& root) {
        const auto group = groupWithIdentifier(groupId, root);
        if (!group) return;
        auto object = std::make_shared<JObject>();
        setPath(*object, "path", file.path, 1, 5);
        setFileDetails(*object, file, 2);
        if (file.vanished) setText(*object, "vanished", "1", 6);
        group->arrayForKey(arrayKey)->addValue(object);
    });
}

void Log::inGroupWithIdFileNotRemovedWithConfigurator(const std::string& groupId, const LogConfigurator& file) {
    addFile(groupId, "kept", file);
}

void Log::inGroupWithIdFileRemovedWithConfigurator(const std::string& groupId, const LogConfigurator& file) {
    addFile(groupId, "removed", file);
}

void Log::inGroupWithIdFileMovedToTrashWithPath(const std::string& groupId,
                                                const std::optional<std::string>& pathInTrash,
                                                const LogConfigurator& file) {
    modify([groupId, pathInTrash, file](const std::shared_ptr<JObject>& root) {
        const auto group = groupWithIdentifier(groupId, root);
        if (!group) return;
        auto object = std::make_shared<JObject>();
        if (pathInTrash) setPath(*object, "path in trash", *pathInTrash, 1, 6);
        setPath(*object, "original path", file.path, 2, 7);
        setFileDetails(*object, file, 3);
        group->arrayForKey("moved to trash")->addValue(object);
    });
}
