#include "history/RestoreControllersContainer.h"

#include <QDateTime>

#include <algorithm>

#include "history/RestoreController.h"

std::int64_t RestoreControllersContainer::noonOfTheDay(std::int64_t date) {
    const QDate day = QDateTime::fromSecsSinceEpoch(date).date();
    return day.startOfDay().toSecsSinceEpoch() + 43200;
}

void RestoreControllersContainer::insertController(std::shared_ptr<RestoreController> controller) {
    const auto newer = [](const std::shared_ptr<RestoreController>& a, const std::shared_ptr<RestoreController>& b) {
        const auto da = a->date().value_or(0), db = b->date().value_or(0);
        if (da != db) return da > db;
        return a->sequence() != b->sequence() ? a->sequence() > b->sequence() : a->name() > b->name();
    };
    m_controllers.insert(std::upper_bound(m_controllers.begin(), m_controllers.end(), controller, newer),
                         std::move(controller));
}

void RestoreControllersContainer::removeController(const RestoreController* controller) {
    std::erase_if(m_controllers, [&](const auto& c) { return c.get() == controller; });
}

std::int64_t RestoreControllersContainer::calculateNumberOfRemovedItems() const {
    std::int64_t n = 0;
    for (const auto& c : m_controllers) n += c->calculateNumberOfRemovedItems();
    return n;
}

std::int64_t RestoreControllersContainer::calculateNumberOfRestorableItems() const {
    std::int64_t n = 0;
    for (const auto& c : m_controllers) n += c->calculateNumberOfRestorableItems();
    return n;
}

void RestoreControllersContainer::loadOnlyIfHasNoLoadedData(bool onlyIfHasNoLoadedData) {
    for (const auto& c : m_controllers) c->loadOnlyIfHasNoLoadedData(onlyIfHasNoLoadedData);
}

int RestoreControllersContainer::loadingState() const {
    bool notLoaded = false;
    for (const auto& c : m_controllers) {
        if (c->loadingState() == RestoreController::Loading) return RestoreController::Loading;
        notLoaded = notLoaded || c->loadingState() == RestoreController::NotLoaded;
    }
    return notLoaded ? RestoreController::NotLoaded : RestoreController::Loaded;
}
