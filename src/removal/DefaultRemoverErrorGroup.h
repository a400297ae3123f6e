// One group of removal failures with a common cause: its type, the helper remover it offers and its
// failures. Texts of its question come from RemoveAlertTexts. Used on the main thread.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "removal/DefaultRemoverErrorGroupType.h"

class RemoveErrorInfo;

class DefaultRemoverErrorGroup {
public:
    explicit DefaultRemoverErrorGroup(DefaultRemoverErrorGroupType type) : m_eType(type) {}
    virtual ~DefaultRemoverErrorGroup() = default;
    DefaultRemoverErrorGroup(const DefaultRemoverErrorGroup&) = delete;
    DefaultRemoverErrorGroup& operator=(const DefaultRemoverErrorGroup&) = delete;

    DefaultRemoverErrorGroupType type() const { return m_eType; }
    std::optional<DefaultRemoverType> removerType() const { return removerTypeForGroupType(m_eType); }
    // Whether the run removes to the Trash; only the unknown group's texts depend on it.
    virtual bool isRemoveToTrash() const { return true; }

    const std::vector<std::shared_ptr<RemoveErrorInfo>>& errors() const { return m_arrErrors; }
    void addError(std::shared_ptr<RemoveErrorInfo> error) { m_arrErrors.push_back(std::move(error)); }
    bool isEmpty() const { return m_arrErrors.empty(); }
    // Whether every failure is a folder (the texts then speak of folders).
    bool isAllFolders() const;

    // The failures added since the last call, as a group of the same kind; null when there are none.
    std::shared_ptr<DefaultRemoverErrorGroup> takeNotOfferedErrors();

protected:
    virtual std::shared_ptr<DefaultRemoverErrorGroup> makeEmptyCopy() const {
        return std::make_shared<DefaultRemoverErrorGroup>(m_eType);
    }

private:
    DefaultRemoverErrorGroupType m_eType;
    std::vector<std::shared_ptr<RemoveErrorInfo>> m_arrErrors;
    std::size_t m_nOfferedCount = 0;  // failures [0, m_nOfferedCount) were offered already
};
