// A screen of a title, a text and two actions: the no-duplicates view (Rescan, New Scan) and the interim
// summary of the last scan (New Scan, Show Results). Main thread only.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

class MessageScreen : public QWidget {
public:
    MessageScreen(const QString& firstAction, const QString& secondAction, QWidget* parent = nullptr);

    void setTexts(const QString& title, const QString& text);
    QPushButton* firstButton() const { return m_pFirst; }
    QPushButton* secondButton() const { return m_pSecond; }

private:
    QLabel* m_pTitle;
    QLabel* m_pText;
    QPushButton* m_pFirst;
    QPushButton* m_pSecond;
};
