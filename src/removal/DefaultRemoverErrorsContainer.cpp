#include "removal/DefaultRemoverErrorsContainer.h"

#include "removal/DefaultRemoverUnknownErrorGroup.h"
#include "removal/RemoveErrorInfo.h"

DefaultRemoverErrorsContainer::DefaultRemoverErrorsContainer(bool removeToTrash)
    : m_pUnknownErrorGroup(std::make_shared<DefaultRemoverUnknownErrorGroup>(removeToTrash)),
      m_bRemoveToTrash(removeToTrash) {
    using T = DefaultRemoverErrorGroupType;
    auto add = [this](T type) { m_groups[type] = std::make_shared<DefaultRemoverErrorGroup>(type); };
    add(T::ReadOnlyAccess);
    add(T::LockedFiles);
    if (removeToTrash) {
        add(T::HardLinkFolder);
        add(T::NetworkDisk);
    }
    add(T::ReadOnlyNTFSDisk);
    add(T::ReadOnlyDisk);
    m_groups[T::Unknown] = m_pUnknownErrorGroup;
}

void DefaultRemoverErrorsContainer::addError(const std::shared_ptr<RemoveErrorInfo>& error) {
    if (!error) return;
    auto it = m_groups.find(error->removeGroupType());
    (it != m_groups.end() ? *it->second : static_cast<DefaultRemoverErrorGroup&>(*m_pUnknownErrorGroup))
        .addError(error);
}

void DefaultRemoverErrorsContainer::addErrorToUnknownGroup(const std::shared_ptr<RemoveErrorInfo>& error) {
    if (error) m_pUnknownErrorGroup->addError(error);
}

std::shared_ptr<DefaultRemoverErrorGroup> DefaultRemoverErrorsContainer::nextGroupToOffer() {
    for (auto& [type, group] : m_groups)  // the map is ordered by type: the offering order
        if (auto pending = group->takeNotOfferedErrors()) return pending;
    return nullptr;
}

std::shared_ptr<DefaultRemoverErrorGroup> DefaultRemoverErrorsContainer::createNotRemovedGroup(
    const std::vector<std::shared_ptr<RemoveErrorInfo>>& errors) {
    auto group = std::make_shared<DefaultRemoverErrorGroup>(DefaultRemoverErrorGroupType::NotRemoved);
    for (const auto& e : errors) group->addError(e);
    return group;
}

std::string DefaultRemoverErrorsContainer::summary() const {
    std::string text = "Errors container (to Trash: ";
    text += m_bRemoveToTrash ? "true" : "false";
    text += ")\n";
    for (const auto& [type, group] : m_groups) {
        if (group->isEmpty()) continue;
        text += "  ";
        text += groupTypeName(type);
        text += ": " + std::to_string(group->errors().size()) + "\n";
    }
    return text;
}
