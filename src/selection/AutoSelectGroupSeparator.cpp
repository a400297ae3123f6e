#include "selection/AutoSelectGroupSeparator.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "results/DuplicateItem.h"
#include "scan/FileSystemItem.h"
#include "selection/AutoSelectItem.h"
#include "selection/AutoSelectManager.h"
#include "selection/AutoSelectName.h"

namespace {
// The name record of one node at the current level and the candidate it stands for (the last one
// processed that reached this node).
struct Entry {
    FileSystemItem* node;
    AutoSelectName name;
};
}  // namespace

AutoSelectGroupSeparator::AutoSelectGroupSeparator(std::vector<std::shared_ptr<DuplicateItem>> items)
    : m_arrItemsForSeparate(std::move(items)) {
    std::erase(m_arrItemsForSeparate, nullptr);
    std::stable_sort(m_arrItemsForSeparate.begin(), m_arrItemsForSeparate.end(),
                     [](const auto& a, const auto& b) { return a->getFileItemPath() < b->getFileItemPath(); });
}

AutoSelectGroupSeparator::~AutoSelectGroupSeparator() = default;

void AutoSelectGroupSeparator::separateItemsUsingManager(const AutoSelectManager* manager) {
    m_arrWrappedItems.clear();
    m_arrItemsForSelect.clear();
    m_arrItemsForAutoSelect.clear();
    std::vector<AutoSelectItem*> contest;
    contest.reserve(m_arrItemsForSeparate.size());
    m_arrWrappedItems.reserve(m_arrItemsForSeparate.size());
    for (const auto& item : m_arrItemsForSeparate) {
        if (!item) continue;
        auto wrapped = std::make_unique<AutoSelectItem>(item, manager);
        if (wrapped->getChoice() == AutoSelectChoiceSelect)
            m_arrItemsForSelect.push_back(wrapped.get());
        else
            contest.push_back(wrapped.get());
        m_arrWrappedItems.push_back(std::move(wrapped));
    }
    if (contest.empty() && !m_arrWrappedItems.empty()) {
        // Every copy lies in an Always Select folder: the lists say nothing about this group.
        m_arrItemsForSelect.clear();
        m_arrWrappedItems.clear();
        for (const auto& item : m_arrItemsForSeparate) {
            if (!item) continue;
            m_arrWrappedItems.push_back(std::make_unique<AutoSelectItem>(item, nullptr));
            contest.push_back(m_arrWrappedItems.back().get());
        }
    }
    selectUsingPathItems(contest, 1);
    prepareResult();
}

void AutoSelectGroupSeparator::selectUsingPathItems(const std::vector<AutoSelectItem*>& candidates, int deep) {
    // One entry per node at this level; candidates sharing a node leave all but the last one behind.
    std::vector<Entry> entries;
    entries.reserve(candidates.size());
    // Large groups look nodes up in a table; small ones scan the few entries.
    const bool useIndex = candidates.size() > 16;
    std::unordered_map<FileSystemItem*, std::size_t> index;
    for (AutoSelectItem* candidate : candidates) {
        FileSystemItem* node = candidate->getComponentWithIndex(deep);
        if (!node) continue;
        Entry* same = nullptr;
        if (useIndex) {
            auto [slot, inserted] = index.emplace(node, entries.size());
            if (!inserted) same = &entries[slot->second];
        } else {
            auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.node == node; });
            if (found != entries.end()) same = &*found;
        }
        if (same) {
            same->name.setUserData(candidate);
            continue;
        }
        entries.push_back({node, AutoSelectName::buildAutoSelectNameForFileItem(*node)});
        entries.back().name.setUserData(candidate);
    }
    if (entries.empty()) return;

    // Buckets of equal core names; names that differ are never compared.
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return entries[a].name.getCoreName() < entries[b].name.getCoreName();
    });
    std::vector<AutoSelectItem*> winners;
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && entries[order[end]].name.getCoreName() == entries[order[begin]].name.getCoreName())
            ++end;
        // The entries of smallest rank win; every other entry loses.
        const AutoSelectName* best = &entries[order[begin]].name;
        for (std::size_t i = begin + 1; i < end; ++i)
            if (entries[order[i]].name.compareWithSelectName(*best) < 0) best = &entries[order[i]].name;
        winners.clear();
        for (std::size_t i = begin; i < end; ++i) {
            const AutoSelectName& name = entries[order[i]].name;
            AutoSelectItem* candidate = name.getUserData();
            if (name.compareWithSelectName(*best) == 0) {
                winners.push_back(candidate);
            } else if (candidate->getChoice() == AutoSelectChoiceUndecided) {
                candidate->setChoice(AutoSelectChoiceSelect);
                m_arrItemsForSelect.push_back(candidate);
            }
        }
        if (winners.size() >= 2) selectUsingPathItems(winners, deep + 1);
        begin = end;
    }
}

void AutoSelectGroupSeparator::prepareResult() {
    m_arrItemsForAutoSelect.clear();
    m_arrItemsForAutoSelect.reserve(m_arrItemsForSelect.size());
    // A name whose file keeps another name (hard link) frees nothing: it is never chosen.
    std::vector<FileIdentity> staying;
    for (const auto& wrapped : m_arrWrappedItems) {
        const auto& identity = wrapped->getDuplicateItem()->getFileIdentity();
        if (identity && std::find(m_arrItemsForSelect.begin(), m_arrItemsForSelect.end(), wrapped.get()) ==
                            m_arrItemsForSelect.end())
            staying.push_back(*identity);
    }
    for (AutoSelectItem* chosen : m_arrItemsForSelect) {
        const auto& item = chosen->getDuplicateItem();
        if (item->getAssociatedDuplicateFolder()) continue;
        const auto& identity = item->getFileIdentity();
        if (identity && std::find(staying.begin(), staying.end(), *identity) != staying.end()) continue;
        m_arrItemsForAutoSelect.push_back(item);
    }
    m_arrItemsForSelect.clear();
}
