#include "history/RemoveLog.h"

#include <ctime>

#include "history/AppBundle.h"
#include "history/JObject.h"
#include "history/JTextValue.h"

RemoveLog::RemoveLog(std::shared_ptr<WritableLogDelegate> delegate)
    : RemoveLog(std::move(delegate), static_cast<std::int64_t>(std::time(nullptr))) {}

RemoveLog::RemoveLog(std::shared_ptr<WritableLogDelegate> delegate, std::int64_t creationDate)
    : WritableLog(std::move(delegate)), m_nCreationDate(creationDate) {}

std::shared_ptr<RemoveLog> RemoveLog::create(std::shared_ptr<WritableLogDelegate> delegate) {
    return create(std::move(delegate), static_cast<std::int64_t>(std::time(nullptr)));
}

std::shared_ptr<RemoveLog> RemoveLog::create(std::shared_ptr<WritableLogDelegate> delegate, std::int64_t creationDate) {
    auto log = std::make_shared<RemoveLog>(std::move(delegate), creationDate);
    log->modify([raw = log.get()](const std::shared_ptr<JObject>& root) { raw->fillRootObject(*root); });
    return log;
}

std::string RemoveLog::creationDateAsString() const { return stringWithDate(m_nCreationDate); }

std::string RemoveLog::appName() { return app_bundle::appNameWithReleaseAndBuildNumber(); }

void RemoveLog::setSortOrdersOfRootObject(JObject& root) {
    root.setSortOrderForKey(1, "application");
    root.setSortOrderForKey(2, "date");
    root.setSortOrderForKey(3, "changes");
}

void RemoveLog::fillRootObject(JObject& root) const {
    setSortOrdersOfRootObject(root);
    root.setValueForKey(JTextValue::withText(appName()), "application");
    root.setValueForKey(JTextValue::withText(creationDateAsString()), "date");
    root.setValueForKey(std::make_shared<JObject>(), "changes");
}

bool RemoveLog::isHasChangesRootObject(const JObject& root) {
    const auto changes = JValue::asObject(root.valueForKey("changes"));
    return changes && changes->count() > 0;
}

std::shared_ptr<JObject> RemoveLog::convertChangesKeysToOrderedIndexesInObject(const JObject& root) {
    auto converted = std::make_shared<JObject>();
    setSortOrdersOfRootObject(*converted);
    converted->setValueForKey(root.valueForKey("application"), "application");
    converted->setValueForKey(root.valueForKey("date"), "date");
    auto changes = std::make_shared<JObject>();
    if (const auto given = JValue::asObject(root.valueForKey("changes"))) {
        std::uint64_t index = 0;
        for (const auto& group : given->allValues()) {
            const std::string key = std::to_string(index + 1);
            changes->setValueForKey(group, key);
            changes->setSortOrderForKey(index, key);
            ++index;
        }
    }
    converted->setValueForKey(changes, "changes");
    return converted;
}
