#include "platform/NotificationCenter.h"

#include <algorithm>

#include "platform/Dispatch.h"

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const std::string& name, Observer observer) {
    std::lock_guard lock(m_mutex);
    Token token = m_nNextToken++;
    m_arrEntries.push_back(std::make_shared<Entry>(Entry{token, name, std::move(observer)}));
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_arrEntries.begin(), m_arrEntries.end(),
                           [&](const auto& e) { return e->token == token; });
    if (it == m_arrEntries.end()) return;
    (*it)->removed = true;
    m_arrEntries.erase(it);
}

void NotificationCenter::post(const std::string& name, const QVariantMap& userInfo) {
    Notification notification{name, userInfo};
    if (dispatch::isMainThread()) {
        deliver(notification);
    } else {
        dispatch::main().async([this, notification] { deliver(notification); });
    }
}

void NotificationCenter::deliver(const Notification& notification) {
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_arrEntries)
            if (e->name == notification.name) snapshot.push_back(e);
    }
    for (const auto& e : snapshot) {
        {
            std::lock_guard lock(m_mutex);
            if (e->removed) continue;  // removed by an earlier observer of this same post
        }
        e->observer(notification);
    }
}

int NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_arrEntries.begin(), m_arrEntries.end(),
                                          [&](const auto& e) { return e->name == name; }));
}
