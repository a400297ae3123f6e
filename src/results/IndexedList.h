// An insertion-ordered list of shared objects with O(1) membership and removal (each object keeps its
// index in the field `Slot`; holes are compacted later), so hundreds of thousands of groups can come and
// go cheaply. Not thread-safe: used by the owner's queue only.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

template <class T, std::size_t T::*Slot>
class IndexedList {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    IndexedList() = default;
    IndexedList(const IndexedList&) = delete;
    IndexedList& operator=(const IndexedList&) = delete;

    bool contains(const T* item) const {
        if (!item) return false;
        std::size_t index = item->*Slot;
        return index < m_arrItems.size() && m_arrItems[index].get() == item;
    }

    bool add(const std::shared_ptr<T>& item) {
        if (!item || contains(item.get())) return false;
        (*item).*Slot = m_arrItems.size();
        m_arrItems.push_back(item);
        return true;
    }

    // The list's own reference, for callers that must keep the object alive; null when absent.
    std::shared_ptr<T> find(const T* item) const { return contains(item) ? m_arrItems[item->*Slot] : nullptr; }

    // The list's reference goes; the caller keeps the object alive if it still needs it.
    bool remove(T* item) {
        if (!contains(item)) return false;
        std::shared_ptr<T> released = std::move(m_arrItems[item->*Slot]);
        item->*Slot = npos;
        ++m_nHoles;
        if (m_nHoles > 64 && m_nHoles * 2 > m_arrItems.size()) compact();
        return true;
    }

    std::size_t size() const { return m_arrItems.size() - m_nHoles; }
    bool empty() const { return size() == 0; }

    // The live objects in insertion order.
    std::vector<std::shared_ptr<T>> snapshot() const {
        std::vector<std::shared_ptr<T>> out;
        out.reserve(size());
        for (const auto& item : m_arrItems)
            if (item) out.push_back(item);
        return out;
    }

    // Compacts first, so the result holds no holes; valid until the list changes.
    const std::vector<std::shared_ptr<T>>& items() {
        if (m_nHoles) compact();
        return m_arrItems;
    }

    // Empties the list; every object's slot is reset.
    std::vector<std::shared_ptr<T>> takeAll() {
        std::vector<std::shared_ptr<T>> out = snapshot();
        for (auto& item : out) (*item).*Slot = npos;
        m_arrItems.clear();
        m_nHoles = 0;
        return out;
    }

private:
    void compact() {
        std::size_t next = 0;
        for (auto& item : m_arrItems) {
            if (!item) continue;
            (*item).*Slot = next;
            if (&m_arrItems[next] != &item) m_arrItems[next] = std::move(item);
            ++next;
        }
        m_arrItems.resize(next);
        m_nHoles = 0;
    }

    std::vector<std::shared_ptr<T>> m_arrItems;
    std::size_t m_nHoles = 0;
};
