// The group of failures without a recognised obstacle (and of those no registered group takes); its
// texts depend on whether the run removes to the Trash. Used on the main thread.
#pragma once

#include "removal/DefaultRemoverErrorGroup.h"

class DefaultRemoverUnknownErrorGroup : public DefaultRemoverErrorGroup {
public:
    explicit DefaultRemoverUnknownErrorGroup(bool removeToTrash)
        : DefaultRemoverErrorGroup(DefaultRemoverErrorGroupType::Unknown), m_bRemoveToTrash(removeToTrash) {}
    bool isRemoveToTrash() const override { return m_bRemoveToTrash; }

protected:
    std::shared_ptr<DefaultRemoverErrorGroup> makeEmptyCopy() const override {
        return std::make_shared<DefaultRemoverUnknownErrorGroup>(m_bRemoveToTrash);
    }

private:
    bool m_bRemoveToTrash;
};
