// The in-process notification centre: observers register by name and receive posts on the main
// thread. post() from the main thread delivers at once; from any other thread it is queued to the
// main queue. Observers may be added or removed from any thread, also while a post is delivered.
#pragma once

#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct Notification {
    std::string name;
    QVariantMap userInfo;
};

class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    Token addObserver(const std::string& name, Observer observer);
    void removeObserver(Token token);
    void post(const std::string& name, const QVariantMap& userInfo = {});
    int observerCount(const std::string& name) const;

private:
    struct Entry {
        Token token;
        std::string name;
        Observer observer;
        bool removed = false;  // guarded by NotificationCenter::m_mutex
    };
    void deliver(const Notification& notification);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Entry>> m_arrEntries;  // guarded by m_mutex
    Token m_nNextToken = 1;                            // guarded by m_mutex
};
