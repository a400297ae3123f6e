// The small panel shown at the pointer when a check box is refused: the reason, and the switch that
// allows selecting every copy of a group (the stored setting, changed at once). Closes on a click
// elsewhere or with its close button. Main thread only.
#pragma once

#include <QFrame>

#include <functional>

class QCheckBox;
class QLabel;

class AllowAllCopiesPanel : public QFrame {
public:
    static constexpr const char* kSwitchText = "Allow removing all copies of duplicates";

    // `changed` runs with the switch's new state.
    AllowAllCopiesPanel(std::function<void(bool)> changed, QWidget* parent);

    // Shows the tip near `globalPos`, inside the parent window, the switch set to `allowed`.
    void showAt(const QPoint& globalPos, const QString& tip, bool allowed);
    QCheckBox* allowSwitch() const { return m_pSwitch; }
    QString tip() const;

private:
    std::function<void(bool)> m_changed;
    QLabel* m_pTip;
    QCheckBox* m_pSwitch;
};
