// dorvane-gui [FOLDER...] [--scan]: the window; the folders join the welcome list, --scan starts at once.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "gui/MainWindow.h"
#include "platform/Dispatch.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvane"));
    QApplication::setDesktopFileName(QStringLiteral("dorvane"));

    bool scan = false;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scan") == 0) {
            scan = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: dorvane-gui [FOLDER...] [--scan]\n"
                      "Opens the window with the folders in its list; --scan starts scanning them at once.");
            return 0;
        } else {
            folders.emplace_back(argv[i]);
        }
    }
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane-gui: %s\n", warning->c_str());

    int status = 0;
    {
        MainWindow window;
        window.show();
        QTimer::singleShot(0, &window, [&] {
            for (const auto& f : folders) window.controller().addFolder(f);
            if (scan) window.controller().scanFromWelcome(false);
        });
        status = app.exec();
    }  // the window stops its scan as it goes
    dispatch::shutdown();  // no worker thread may still run into the exit-time destructors
    return status;
}
