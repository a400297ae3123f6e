// dorvane-gui [FOLDER...] [--scan] [--category NAME] [--folders-ranking NAME] [--auto-select]
// [--preferences TAB] [--history]: the window; the folders join the welcome list, --scan starts at once,
// --category and --folders-ranking choose what the results show first, --auto-select runs Auto Select
// on them, the last two open Preferences on a tab or the History window.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/CategorySummary.h"
#include "app/StartScanningInLaunchedAppManager.h"
#include "gui/HistoryWindow.h"
#include "gui/MainWindow.h"
#include "gui/PreferencesDialog.h"
#include "gui/ResultsView.h"
#include "gui/SelectionBar.h"
#include "platform/Dispatch.h"
#include "platform/MemoryArenas.h"
#include "platform/MimeTypes.h"
#include "settings/Settings.h"

namespace {
// The category type for a name given on the command line, -1 when no category has that name.
int categoryNamed(const std::string& name) {
    for (int t : CategorySummary::order())
        if (QString::fromStdString(CategorySummary::nameOf(t)).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
            return t;
    return -1;
}

int rankingNamed(const std::string& name) {
    for (int r = 0; r < FoldersOverview::kRankingCount; ++r)
        if (QString::fromUtf8(FoldersOverview::title(static_cast<FolderRanking>(r))).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
            return r;
    return -1;
}

int preferencesTabNamed(const std::string& name) {
    static const char* const tabs[] = {"scan", "selection", "removal", "messages"};
    for (int t = 0; t < 4; ++t)
        if (QString::fromLatin1(tabs[t]).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0) return t;
    return -1;
}
}  // namespace

int main(int argc, char** argv) {
    // --help is answered before the application object, which needs a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: dorvane-gui [FOLDER...] [--scan] [--category NAME] [--folders-ranking NAME]\n"
                      "                   [--auto-select] [--preferences TAB] [--history]\n"
                      "Opens the window with the folders in its list; --scan starts scanning them at once.\n"
                      "--category shows that results category first (images, videos, music, documents,\n"
                      "archives, other or folders) instead of the biggest; --folders-ranking chooses what\n"
                      "the Folders category lists first (\"Duplicate Folders\", \"All Heaps\", \"Biggest Heaps\"\n"
                      "or \"Easy Heaps\", in any case). --auto-select runs Auto Select once the results are\n"
                      "shown. --preferences opens Preferences on a tab (scan, selection, removal or\n"
                      "messages); --history opens the History window.\n"
                      "Qt's own options (-geometry, -platform, …) apply too.");
            return 0;
        }

    memory_arenas::limit();
    // The application object takes Qt's own options (-geometry …) out of the arguments; the rest are ours.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvane"));
    QApplication::setDesktopFileName(QStringLiteral("dorvane"));

    bool scan = false;
    bool autoSelect = false;
    int category = -1;
    int ranking = -1;
    int preferencesTab = -1;
    bool history = false;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scan") == 0) {
            scan = true;
        } else if (std::strcmp(argv[i], "--auto-select") == 0) {
            autoSelect = true;
        } else if (std::strcmp(argv[i], "--category") == 0 && i + 1 < argc) {
            category = categoryNamed(argv[++i]);
            if (category < 0) {
                std::fprintf(stderr, "dorvane-gui: unknown category %s\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--folders-ranking") == 0 && i + 1 < argc) {
            ranking = rankingNamed(argv[++i]);
            if (ranking < 0) {
                std::fprintf(stderr, "dorvane-gui: unknown folders ranking %s\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--preferences") == 0 && i + 1 < argc) {
            preferencesTab = preferencesTabNamed(argv[++i]);
            if (preferencesTab < 0) {
                std::fprintf(stderr, "dorvane-gui: unknown preferences tab %s\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--history") == 0) {
            history = true;
        } else {
            folders.emplace_back(argv[i]);
        }
    }
    mime_types::loadDatabase();  // here, before any worker thread could be the first to read it
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane-gui: %s\n", warning->c_str());

    int status = 0;
    {
        MainWindow window;
        if (category >= 0) window.resultsView()->setFirstCategoryType(category);
        if (ranking >= 0) window.resultsView()->setFolderRanking(static_cast<FolderRanking>(ranking));
        window.show();
        QTimer::singleShot(0, &window, [&] {
            for (const auto& f : folders) window.controller().addFolder(f);
            if (scan) window.controller().scanFromWelcome(false);
            if (preferencesTab >= 0) {
                window.preferences()->showTab(static_cast<PreferencesDialog::Tab>(preferencesTab));
                window.preferences()->show();
            }
            if (history) window.history()->show();
            if (autoSelect) {
                // Once, as soon as results are on screen.
                auto* watch = new QTimer(&window);
                QObject::connect(watch, &QTimer::timeout, &window, [&window, watch] {
                    if (window.controller().screen() != WindowScreen::Results) return;
                    watch->deleteLater();
                    watch->stop();
                    window.resultsView()->selectionBar()->autoSelectListed(QString());
                });
                watch->start(200);
            }
            // Another application of the family may ask, within five seconds, for the home folder to be scanned.
            auto& launch = StartScanningInLaunchedAppManager::shared();
            launch.startScaningBlock = [&window] { window.controller().scanHomeFolder(); };
            launch.appWithTypeDidFinishLaunching(StartScanningInLaunchedAppManager::kThisAppType);
        });
        status = app.exec();
        StartScanningInLaunchedAppManager::shared().startScaningBlock = nullptr;
    }  // the window stops its scan as it goes
    dispatch::shutdown();  // no worker thread may still run into the exit-time destructors
    return status;
}
