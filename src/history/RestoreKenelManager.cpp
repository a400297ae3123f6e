#include "history/RestoreKenelManager.h"

#include <algorithm>
#include <cstdlib>

#include "history/RestoreController.h"
#include "history/RestoreControllersContainer.h"
#include "history/VXLogFactory.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"

void RestoreKenelManager::loadFromFolder(const std::string& folder) {
    m_sFolderName = folder;
    m_containers.clear();
    m_containersByNoon.clear();
    enumerateLogFiles([&](const std::string& name, std::int64_t date) {
        const std::int64_t noon = RestoreControllersContainer::noonOfTheDay(date);
        auto& container = m_containersByNoon[noon];
        if (!container) {
            container = std::make_shared<RestoreControllersContainer>(noon);
            m_containers.push_back(container);
        }
        container->insertController(std::make_shared<RestoreController>(folder + "/" + name));
    });
    std::sort(m_containers.begin(), m_containers.end(),
              [](const auto& a, const auto& b) { return a->noon() > b->noon(); });
}

void RestoreKenelManager::enumerateLogFiles(const std::function<void(const std::string&, std::int64_t)>& visit) const {
    std::vector<std::string> names;
    if (!FileSystem::standard().listFolder(m_sFolderName, names)) return;
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        int sequence = 1;
        if (const auto date = VXLogFactory::dateOfLogFileName(name, sequence)) visit(name, *date);
    }
}

std::vector<Status> RestoreKenelManager::clearHistory() {
    std::vector<Status> failures;
    enumerateLogFiles([&](const std::string& name, std::int64_t) {
        if (Status s = FileCalls::standard().removeFile(m_sFolderName + "/" + name); !s) failures.push_back(s);
    });
    m_containers.clear();
    m_containersByNoon.clear();
    return failures;
}

std::vector<Status> RestoreKenelManager::clearHistoryFor(const RestoreControllersContainer& container) {
    std::vector<Status> failures;
    const std::int64_t noon = container.noon();
    enumerateLogFiles([&](const std::string& name, std::int64_t date) {
        if (std::llabs(RestoreControllersContainer::noonOfTheDay(date) - noon) > 1) return;
        if (Status s = FileCalls::standard().removeFile(m_sFolderName + "/" + name); !s) failures.push_back(s);
    });
    m_containersByNoon.erase(noon);
    std::erase_if(m_containers, [&](const auto& c) { return c.get() == &container; });
    return failures;
}

std::shared_ptr<RestoreControllersContainer> RestoreKenelManager::containerForDay(std::int64_t date) const {
    const auto it = m_containersByNoon.find(RestoreControllersContainer::noonOfTheDay(date));
    return it == m_containersByNoon.end() ? nullptr : it->second;
}
