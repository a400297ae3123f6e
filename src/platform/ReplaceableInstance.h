// The process-wide instance of a platform interface, made on first use, that tests may replace.
// A replaced instance is kept until the process ends: a queue may still be in a call on it, so
// replacing one is safe at any moment. Any thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

template <class Interface, class Standard>
class ReplaceableInstance {
public:
    // The one holder for this interface, never destroyed: a queue may still call the instance while
    // the process exits.
    static ReplaceableInstance& shared() {
        static auto* holder = new ReplaceableInstance();
        return *holder;
    }
    Interface& get() {
        std::lock_guard lock(m_mutex);
        if (!m_current) m_current = std::make_shared<Standard>();
        return *m_current;
    }
    // nullptr brings the standard implementation back on the next get().
    void replace(std::shared_ptr<Interface> next) {
        std::lock_guard lock(m_mutex);
        if (m_current) m_retired.push_back(std::move(m_current));
        m_current = std::move(next);
    }

private:
    std::mutex m_mutex;
    std::shared_ptr<Interface> m_current;                // guarded by m_mutex
    std::vector<std::shared_ptr<Interface>> m_retired;  // guarded by m_mutex
};
