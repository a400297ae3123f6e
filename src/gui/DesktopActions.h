// Opening a file with its application and showing it in the file manager: the file manager's
// org.freedesktop.FileManager1.ShowItems over the session bus, else its parent folder opened.
// Main thread only.
#pragma once

#include <QString>

namespace desktop_actions {
void open(const QString& path);
void showInFolder(const QString& path);
}  // namespace desktop_actions
