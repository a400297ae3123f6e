// What a removal run asks of its user interface: one question or explanation per failure group and
// the final not-removed report. Called on the main thread; answers may come later, on the main thread.
#pragma once

#include <functional>

class DefaultRemoverErrorGroup;

class RemoveAlertsController {
public:
    virtual ~RemoveAlertsController() = default;

    // Shows the group's alert (RemoveAlertTexts::alertForGroup); `answer` gets true for "Confirm".
    // For a group that only explains, the answer is ignored.
    virtual void askAboutGroup(const DefaultRemoverErrorGroup& group, std::function<void(bool confirmed)> answer) = 0;
    // Shows the final report of the copies nobody could remove; `done` is called when it is closed.
    virtual void showNotRemovedGroup(const DefaultRemoverErrorGroup& group, std::function<void()> done) = 0;
};
