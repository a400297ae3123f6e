// dorvane-gui [FOLDER...] [--scan] [--category NAME] [--folders-ranking NAME]: the window; the folders join
// the welcome list, --scan starts at once, the others choose what the results show first.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/CategorySummary.h"
#include "app/StartScanningInLaunchedAppManager.h"
#include "gui/MainWindow.h"
#include "gui/ResultsView.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvane"));
    QApplication::setDesktopFileName(QStringLiteral("dorvane"));

    bool scan = false;
    std::string category;
    std::string ranking;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scan") == 0) {
            scan = true;
        } else if (std::strcmp(argv[i], "--category") == 0 && i + 1 < argc) {
            category = argv[++i];
        } else if (std::strcmp(argv[i], "--folders-ranking") == 0 && i + 1 < argc) {
            ranking = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: dorvane-gui [FOLDER...] [--scan] [--category NAME] [--folders-ranking NAME]\n"
                      "Opens the window with the folders in its list; --scan starts scanning them at once.\n"
                      "--category shows that results category first (images, videos, music, documents,\n"
                      "archives, other or folders) instead of the biggest; --folders-ranking chooses what\n"
                      "the Folders category lists first (\"Duplicate Folders\", \"All Heaps\", \"Biggest Heaps\"\n"
                      "or \"Easy Heaps\", in any case).");
            return 0;
        } else {
            folders.emplace_back(argv[i]);
        }
    }
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane-gui: %s\n", warning->c_str());

    MainWindow window;
    if (!category.empty()) {
        int type = -1;
        for (int t : CategorySummary::order())
            if (QString::fromStdString(CategorySummary::nameOf(t)).compare(QString::fromStdString(category), Qt::CaseInsensitive) == 0)
                type = t;
        if (type < 0) {
            std::fprintf(stderr, "dorvane-gui: unknown category %s\n", category.c_str());
            return 2;
        }
        window.resultsView()->setFirstCategoryType(type);
    }
    if (!ranking.empty()) {
        int chosen = -1;
        for (int r = 0; r < FoldersOverview::kRankingCount; ++r)
            if (QString::fromUtf8(FoldersOverview::title(static_cast<FolderRanking>(r))).compare(QString::fromStdString(ranking), Qt::CaseInsensitive) == 0)
                chosen = r;
        if (chosen < 0) {
            std::fprintf(stderr, "dorvane-gui: unknown folders ranking %s\n", ranking.c_str());
            return 2;
        }
        window.resultsView()->setFolderRanking(static_cast<FolderRanking>(chosen));
    }
    window.show();
    QTimer::singleShot(0, &window, [&] {
        for (const auto& f : folders) window.controller().addFolder(f);
        if (scan) window.controller().scanFromWelcome(false);
        // Another application of the family may ask, within five seconds, for the home folder to be scanned.
        auto& launch = StartScanningInLaunchedAppManager::shared();
        launch.startScaningBlock = [&window] { window.controller().scanHomeFolder(); };
        launch.appWithTypeDidFinishLaunching(StartScanningInLaunchedAppManager::kThisAppType);
    });
    return app.exec();
}
