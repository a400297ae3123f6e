// A structured document mutated only on its own serial queue ("LogQueue"): every change goes through
// modify(), which any thread may call; the steps run in submission order and keep the log alive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "history/LogConfigurator.h"

class JObject;
class SerialQueue;

class Log : public std::enable_shared_from_this<Log> {
public:
    Log();
    virtual ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Runs the function later on the log's queue with the root; a null function does nothing.
    void modify(std::function<void(const std::shared_ptr<JObject>& root)> change);
    // Waits until every step queued before this call has run (not from the log's queue).
    void waitUntilIdle();

    // Entry operations of the removal log; each is one modify() step.
    void inGroupWithIdFileNotRemovedWithConfigurator(const std::string& groupId, const LogConfigurator& file);
    void inGroupWithIdFileRemovedWithConfigurator(const std::string& groupId, const LogConfigurator& file);
    // A null pathInTrash leaves out the "path in trash" member.
    void inGroupWithIdFileMovedToTrashWithPath(const std::string& groupId, const std::optional<std::string>& pathInTrash,
                                               const LogConfigurator& file);

    // The group object under root "changes", created with its array orders when missing; null when
    // the root has no "changes" object. Log queue only.
    static std::shared_ptr<JObject> groupWithIdentifier(const std::string& groupId, const std::shared_ptr<JObject>& root);
    // "yyyy-MM-dd HH:mm:ss z" in the local time zone.
    static std::string stringWithDate(std::int64_t secondsSince1970);

    const std::shared_ptr<JObject>& root() const { return m_pRoot; }  // log queue only

private:
    void addFile(const std::string& groupId, const std::string& arrayKey, const LogConfigurator& file);

    std::shared_ptr<SerialQueue> m_pWorkQueue;
    std::shared_ptr<JObject> m_pRoot;  // touched only on m_pWorkQueue
};
