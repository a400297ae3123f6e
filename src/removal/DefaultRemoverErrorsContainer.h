// The failures of one removal run sorted into groups by cause. Set up once per run with the trash
// mode; yields the groups to offer in type order, each failure once. Main thread only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "removal/DefaultRemoverErrorGroup.h"

class DefaultRemoverUnknownErrorGroup;
class RemoveErrorInfo;

class DefaultRemoverErrorsContainer {
public:
    // Registers ReadOnlyAccess and LockedFiles; HardLinkFolder and NetworkDisk only when removing to
    // the Trash (removed permanently, those failures land in the unknown group); then the two
    // read-only disk groups and the unknown group.
    explicit DefaultRemoverErrorsContainer(bool removeToTrash);
    DefaultRemoverErrorsContainer(const DefaultRemoverErrorsContainer&) = delete;
    DefaultRemoverErrorsContainer& operator=(const DefaultRemoverErrorsContainer&) = delete;

    // Into the registered group of its type, else into the unknown group.
    void addError(const std::shared_ptr<RemoveErrorInfo>& error);
    void addErrorToUnknownGroup(const std::shared_ptr<RemoveErrorInfo>& error);
    // The failures not yet offered of the first group, in type order, that has any; null when none.
    std::shared_ptr<DefaultRemoverErrorGroup> nextGroupToOffer();

    const std::map<DefaultRemoverErrorGroupType, std::shared_ptr<DefaultRemoverErrorGroup>>& groups() const {
        return m_groups;
    }
    DefaultRemoverUnknownErrorGroup& unknownErrorGroup() const { return *m_pUnknownErrorGroup; }
    bool isRemoveToTrash() const { return m_bRemoveToTrash; }

    // The final report's group over every failure nobody resolved.
    static std::shared_ptr<DefaultRemoverErrorGroup> createNotRemovedGroup(
        const std::vector<std::shared_ptr<RemoveErrorInfo>>& errors);
    // One line per group with failures, for the behaviour log.
    std::string summary() const;

private:
    std::map<DefaultRemoverErrorGroupType, std::shared_ptr<DefaultRemoverErrorGroup>> m_groups;  // unknown included
    std::shared_ptr<DefaultRemoverUnknownErrorGroup> m_pUnknownErrorGroup;
    bool m_bRemoveToTrash;
};
