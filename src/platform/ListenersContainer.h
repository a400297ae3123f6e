// A list of weakly held listeners without duplicates, guarded by its own lock; usable from any thread.
// notify() calls from the newest listener to the oldest and drops listeners that are gone.
// notifyAsync() defers the same call to the main queue through one process-wide pending list,
// so any number of calls made before the main loop turns cost a single main-queue pass.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace listeners_detail {
// Appends work to the process-wide pending list; the append that finds it empty schedules the pass.
void enqueueOnMain(std::function<void()> work);
}  // namespace listeners_detail

template <class Listener>
class ListenersContainer {
public:
    ListenersContainer() : m_pState(std::make_shared<State>()) {}
    ListenersContainer(const ListenersContainer&) = delete;
    ListenersContainer& operator=(const ListenersContainer&) = delete;

    void add(const std::shared_ptr<Listener>& listener) {
        if (!listener) return;
        std::lock_guard lock(m_pState->mutex);
        if (m_pState->find(listener.get()) != m_pState->listeners.end()) return;
        m_pState->listeners.push_back(listener);
    }
    bool hasListener(const Listener* listener) const {
        std::lock_guard lock(m_pState->mutex);
        return m_pState->find(listener) != m_pState->listeners.end();
    }
    void remove(const Listener* listener) {
        std::lock_guard lock(m_pState->mutex);
        auto it = m_pState->find(listener);
        if (it != m_pState->listeners.end()) m_pState->listeners.erase(it);
    }
    void removeAll() {
        std::lock_guard lock(m_pState->mutex);
        m_pState->listeners.clear();
    }
    int count() const {
        std::lock_guard lock(m_pState->mutex);
        return static_cast<int>(m_pState->listeners.size());
    }

    void notify(const std::function<void(Listener&)>& call) { m_pState->notify(call); }

    void notifyAsync(std::function<void(Listener&)> call) {
        listeners_detail::enqueueOnMain([state = m_pState, call = std::move(call)] { state->notify(call); });
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::vector<std::weak_ptr<Listener>> listeners;  // guarded by mutex

        auto find(const Listener* listener) const {
            return std::find_if(listeners.begin(), listeners.end(), [&](const std::weak_ptr<Listener>& w) {
                auto s = w.lock();
                return s && s.get() == listener;
            });
        }
        void notify(const std::function<void(Listener&)>& call) {
            std::vector<std::shared_ptr<Listener>> alive;
            {
                std::lock_guard lock(mutex);
                listeners.erase(std::remove_if(listeners.begin(), listeners.end(),
                                               [](const std::weak_ptr<Listener>& w) { return w.expired(); }),
                                listeners.end());
                for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
                    if (auto s = it->lock()) alive.push_back(std::move(s));
            }
            for (auto& listener : alive) call(*listener);
        }
    };
    std::shared_ptr<State> m_pState;
};
