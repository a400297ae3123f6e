// One duplicate group in the removal record: its files by path, each kept or removed.
// Guarded by the recorder's lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "history/VXLogItem.h"

class DuplicatesGroup;
class Log;

class VXLogGroup {
public:
    explicit VXLogGroup(std::int64_t identifier) : m_nIdentifier(identifier) {}
    // Every member of the group that has a path; the files are read when the run begins.
    explicit VXLogGroup(const DuplicatesGroup& group);
    VXLogGroup(const VXLogGroup&) = delete;
    VXLogGroup& operator=(const VXLogGroup&) = delete;

    std::int64_t identifier() const { return m_nIdentifier; }
    const std::map<std::string, VXLogItem>& items() const { return m_items; }
    void addItem(VXLogItem item);  // a second item with the same path replaces the first
    VXLogItem* itemWithPath(const std::string& path);
    bool hasRemovedItems() const;

    // Every item into the group's entry: moved to the Trash, removed or kept.
    void writeToLog(Log& log) const;

private:
    const std::int64_t m_nIdentifier;
    std::map<std::string, VXLogItem> m_items;
};
