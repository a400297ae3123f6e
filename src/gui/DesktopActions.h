// Opening a file with its application, showing it in the file manager (the file manager's
// org.freedesktop.FileManager1.ShowItems over the session bus, else its parent folder opened), and
// opening a section of the project's documentation. Every address goes out through one opener, which
// tests replace (Show in Folder then opens the parent folder through it). Main thread only.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace desktop_actions {
void open(const QString& path);
void showInFolder(const QString& path);
// `section`: a documentation file and its anchor, "removal-questions.md#locked-files"; the installed
// documentation is preferred to the source tree's.
void openDocumentation(const QString& section);
// The address of a documentation section, or an empty address when the file is nowhere to be found.
QUrl documentationUrl(const QString& section);
// Replaces QDesktopServices::openUrl for every action (tests); an empty function restores it.
void setUrlOpener(std::function<void(const QUrl&)> opener);
}  // namespace desktop_actions
