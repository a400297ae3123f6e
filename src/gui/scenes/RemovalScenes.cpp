// dorvane-gui-scenes SCENE FOLDER [Qt options]: the window scans FOLDER, selects every copy but the
// first of each file group and removes them to the Trash, stopping in one scene for a screenshot:
//   confirm      the confirmation is shown
//   progress     the removal holds after a third of the copies, so the progress sheet stays up
//   question     some copies are immutable and their move fails: the locked files' question is shown
//   not-removed  the same question answered Cancel: the report of the copies not removed
// The Trash and the file system's flags are replaced through their seams; nothing is locked on disk.
// Used by scripts/screenshots under a private HOME; not installed.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "app/CategorySummary.h"
#include "app/WindowController.h"
#include "detection/FileType.h"
#include "gui/MainWindow.h"
#include "gui/RemovalDialogs.h"
#include "gui/RemovalQuestionDialog.h"
#include "gui/ResultsView.h"
#include "platform/Dispatch.h"
#include "platform/FileSystem.h"
#include "platform/MimeTypes.h"
#include "platform/Trash.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"

namespace {
// Moves to the real (private) Trash, except the locked paths. After `holdAfter` moves, one more move takes
// a little over a second (so the run reports what it did by then) and every later one waits for good.
class SceneTrash : public Trash {
public:
    TrashResult moveToTrashAt(const FolderHandle& parent, const std::string& name, const std::string& path) override {
        {
            std::unique_lock lock(m_mutex);
            if (holdAfter > 0 && ++m_moves == holdAfter + 1)
                m_never.wait_for(lock, std::chrono::milliseconds(1300), [] { return false; });
            else if (holdAfter > 0 && m_moves > holdAfter + 1)
                m_never.wait(lock, [] { return false; });
        }
        if (locked.count(path)) {
            TrashResult r;
            r.outcome = TrashOutcome::Failed;
            r.status = Status::fromErrno(EPERM, path);
            return r;
        }
        return m_real.moveToTrashAt(parent, name, path);
    }
    TrashResult trashFolderFor(const std::string& path) override { return m_real.trashFolderFor(path); }

    int holdAfter = 0;
    std::set<std::string> locked;  // set before the run starts

private:
    std::mutex m_mutex;
    std::condition_variable m_never;
    int m_moves = 0;
    FreedesktopTrash m_real;
};

// Reports the locked paths as immutable.
class SceneFileSystem : public LinuxFileSystem {
public:
    Status attributes(const std::string& path, FileAttributes& out) const override {
        Status s = LinuxFileSystem::attributes(path, out);
        if (s && locked.count(path)) out.immutable = true;
        return s;
    }
    std::set<std::string> locked;
};

// Every copy but the first of each file group; answers the selected copies by folder.
std::map<std::string, std::vector<std::string>> selectCopies(DuplicatesContainer& container) {
    std::map<std::string, std::vector<std::string>> byFolder;
    for (int type : CategorySummary::order()) {
        if (type == FileTypeFolder) continue;
        DuplicatesCategory* category = container.getCategoryWithType(type);
        if (!category) continue;
        for (const auto& group : category->getGroups()) {
            const auto members = group->getItems();
            for (std::size_t i = 1; i < members.size(); ++i)
                if (group->selectItem(members[i].get(), false))
                    byFolder[members[i]->getParentFolderItemPath()].push_back(members[i]->getFileItemPath());
        }
    }
    return byFolder;
}

void click(QPushButton* button) {
    if (button) button->click();
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvane"));
    if (argc < 3) {
        std::fputs("Usage: dorvane-gui-scenes confirm|progress|question|not-removed FOLDER\n", stderr);
        return 2;
    }
    const std::string scene = argv[1];
    const std::string folder = argv[2];
    if (scene != "confirm" && scene != "progress" && scene != "question" && scene != "not-removed") {
        std::fprintf(stderr, "dorvane-gui-scenes: unknown scene %s\n", scene.c_str());
        return 2;
    }
    mime_types::loadDatabase();
    auto trash = std::make_shared<SceneTrash>();
    auto fileSystem = std::make_shared<SceneFileSystem>();
    Trash::setStandard(trash);
    FileSystem::setStandard(fileSystem);

    int status = 0;
    {
        // Whole-file digests: no look-alike joins a group, so the report lists the locked copies only.
        Settings::standard().setForceFullHashCalculation(true);
        MainWindow window;
        window.resultsView()->setFirstCategoryType(FileTypeImage);
        window.controller().setDelays(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        window.show();
        bool started = false;
        QTimer driver;
        driver.setInterval(100);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            RemovalDialogs& dialogs = window.removalDialogs();
            if (!started) {
                if (window.controller().screen() != WindowScreen::Results) return;
                started = true;
                const auto byFolder = selectCopies(*window.controller().container());
                std::size_t selected = 0;
                for (const auto& [path, copies] : byFolder) selected += copies.size();
                if (scene == "progress") trash->holdAfter = static_cast<int>(selected / 3);
                if (scene == "question" || scene == "not-removed") {
                    // The folder with the most copies, up to five of them, is the locked one.
                    const std::vector<std::string>* most = nullptr;
                    for (const auto& [path, copies] : byFolder)
                        if (!most || copies.size() > most->size()) most = &copies;
                    for (std::size_t i = 0; most && i < most->size() && i < 5; ++i) {
                        trash->locked.insert((*most)[i]);
                        fileSystem->locked.insert((*most)[i]);
                    }
                }
                window.controller().removeSelected();
                return;
            }
            RemovalQuestionDialog* question = dialogs.question();
            if (!question || !question->isVisible() || scene == "confirm") return;
            if (question->button(QStringLiteral("Move to Trash"))) {
                click(question->button(QStringLiteral("Move to Trash")));
            } else if (scene == "not-removed") {
                click(question->button(QStringLiteral("Cancel")));
                driver.stop();
            }
        });
        QTimer::singleShot(0, &window, [&] {
            window.controller().addFolder(folder);
            window.controller().scanFromWelcome(false);
            driver.start();
        });
        status = app.exec();
    }
    dispatch::shutdown();
    return status;
}
