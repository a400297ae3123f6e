#include "removal/DefaultRemoverErrorGroup.h"

#include <algorithm>

#include "removal/RemoveErrorInfo.h"

bool DefaultRemoverErrorGroup::isAllFolders() const {
    return !m_arrErrors.empty() &&
           std::all_of(m_arrErrors.begin(), m_arrErrors.end(), [](const auto& e) { return e->isDirectory(); });
}

std::shared_ptr<DefaultRemoverErrorGroup> DefaultRemoverErrorGroup::takeNotOfferedErrors() {
    if (m_nOfferedCount >= m_arrErrors.size()) return nullptr;
    auto group = makeEmptyCopy();
    for (std::size_t i = m_nOfferedCount; i < m_arrErrors.size(); ++i) group->addError(m_arrErrors[i]);
    m_nOfferedCount = m_arrErrors.size();
    return group;
}
