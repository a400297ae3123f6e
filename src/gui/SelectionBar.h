// The results' selection strip: the Auto Select button, the Auto Select preview, and the totals of the
// copies selected for removal (always shown, read again once per selection batch). It is the window's
// side of the SelectionController: questions as message boxes, a refused check box as the panel with
// its tip and the "allow removing all copies" switch, and the context menus of members, groups and
// folders. Main thread only.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "app/SelectionController.h"
#include "app/SelectionControllerView.h"

class AllowAllCopiesPanel;
class DuplicateItem;
class DuplicatesContainer;
class DuplicatesGroup;
class QLabel;
class QMenu;
class QPushButton;

class SelectionBar : public QWidget, public SelectionControllerView {
public:
    // `selectionChanged` and `resultsChanged` let the results redraw their lists and sidebar.
    SelectionBar(std::function<void()> selectionChanged, std::function<void()> resultsChanged, QWidget* parent = nullptr);
    ~SelectionBar() override;

    SelectionController& controller() { return *m_pController; }
    void setContainer(std::shared_ptr<DuplicatesContainer> container);
    // Where the panel of a refused check box opens (global coordinates); the pointer when not given.
    void setTipAnchor(std::function<QPoint()> anchor) { m_tipAnchor = std::move(anchor); }
    // Auto Select over the file groups that the filter text lists (all of them without a filter).
    void autoSelectListed(const QString& filter);

    // The context menus' commands. `resultsMayChange` is false while background work reads the results,
    // and then the commands that take copies out are shown disabled.
    void addMemberCommands(QMenu& menu, const std::shared_ptr<DuplicateItem>& member, bool resultsMayChange);
    void addGroupCommands(QMenu& menu, const std::shared_ptr<DuplicatesGroup>& group, bool resultsMayChange);
    void addFolderCommands(QMenu& menu, const std::string& folder, bool resultsMayChange);

    QPushButton* autoSelectButton() const { return m_pAutoSelect; }
    QLabel* totalsLabel() const { return m_pTotals; }
    QLabel* previewLabel() const { return m_pPreview; }
    AllowAllCopiesPanel* allowPanel() const { return m_pPanel; }

    // SelectionControllerView
    SelectionAnswer askSelection(const SelectionQuestion& question) override;
    void showRefusalTip(const std::string& tip) override;
    void selectionChanged() override;
    void resultsChanged() override;
    void previewChanged() override;

private:
    void updateTotals();

    std::function<void()> m_selectionChanged;
    std::function<void()> m_resultsChanged;
    std::function<QPoint()> m_tipAnchor;
    std::unique_ptr<SelectionController> m_pController;
    QPushButton* m_pAutoSelect;
    QLabel* m_pPreview;
    QLabel* m_pTotals;
    AllowAllCopiesPanel* m_pPanel;
};
