#include "removal/DorvaneRemover.h"

#include "history/VXLog.h"
#include "platform/Dispatch.h"
#include "platform/FileContents.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessRights.h"
#include "platform/ScriptFiles.h"
#include "platform/SerialQueue.h"
#include "removal/DuplicatesStandartRemoverListener.h"
#include "removal/RemovalSafetyCheck.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "scan/FolderSystemItem.h"

DorvaneRemover::DorvaneRemover(std::vector<std::shared_ptr<RemoveErrorInfo>> sourceErrorsInfo,
                               std::shared_ptr<RemovalSafetyCheck> check,
                               std::weak_ptr<DuplicatesStandartRemoverListener> listener)
    : m_pSafetyCheck(std::move(check)),
      m_pListener(std::move(listener)),
      m_pWorkQueue(SerialQueue::create("com.quellnor.remove.duplicates.helper")) {
    for (auto& error : sourceErrorsInfo) {
        if (!error || error->path().empty()) continue;
        Entry entry;
        entry.error = error;
        entry.item = error->item();
        entry.path = error->path();
        const auto slash = entry.path.find_last_of('/');
        entry.parentPath = slash == 0 ? "/" : entry.path.substr(0, slash);
        entry.name = entry.path.substr(slash + 1);
        entry.isDirectory = error->isDirectory();
        if (entry.isDirectory && entry.item)
            if (auto* folder = static_cast<FolderSystemItem*>(entry.item->getFileSystemItem()))
                for (const auto& child : folder->childrenArray()) entry.childNames.emplace_back(child->name());
        m_entries.push_back(std::move(entry));
    }
}

DorvaneRemover::~DorvaneRemover() = default;

bool DorvaneRemover::startRemove() {
    if (m_bIsUsed) return true;
    m_bIsUsed = true;
    auto self = shared_from_this();
    m_pWorkQueue->async([self] { self->work(); });
    return true;
}

bool DorvaneRemover::isGoneOrChanged(const Entry& entry) {
    FileSystem& fs = FileSystem::standard();
    FileAttributes attributes;
    if (fs.attributes(entry.path, attributes).code() == StatusCode::NotFound) return true;
    if (!entry.isDirectory || attributes.kind != FileKind::Folder) return false;
    for (const auto& name : entry.childNames)
        if (!fs.exists(entry.path + "/" + name)) return true;
    return false;
}

void DorvaneRemover::work() {
    FileSystem& fs = FileSystem::standard();
    std::vector<std::shared_ptr<RemoveErrorInfo>> errors;
    std::vector<std::shared_ptr<DuplicateItem>> removed;
    std::vector<std::string> goneElsewhere;
    std::vector<const Entry*> scripted;
    auto notVerified = [&](const Entry& entry, std::string reason) {
        errors.push_back(RemoveErrorInfo::createNotVerified(entry.item, entry.path, entry.isDirectory, std::move(reason)));
    };
    auto gone = [&](const Entry& entry) {
        VXLog::shared().onItemRemoved(entry.item);
        removed.push_back(entry.item);
    };

    // The check, for every copy, right before the script starts: only what passes goes into it.
    std::vector<HelperScriptEntry> lines;
    bool administrator = false;
    ProcessRights& rights = ProcessRights::standard();
    for (const Entry& entry : m_entries) {
        FolderHandle parent;
        if (Status s = fs.openFolderNoFollow(entry.parentPath, parent); !s) {
            if (s.code() == StatusCode::NotFound) {
                gone(entry);
                continue;
            }
            if (s.code() == StatusCode::TooManyLinks || s.code() == StatusCode::NotADirectory)
                notVerified(entry, "a folder on its path was replaced since the scan (" + s.path() + ")");
            else
                notVerified(entry, "its folder could not be opened: " + s.message());
            continue;
        }
        if (!m_pSafetyCheck) {
            notVerified(entry, "it was not checked before removal");
            continue;
        }
        FileAttributes attributes;
        RemovalSafetyCheck::Result result = m_pSafetyCheck->check(entry.item.get(), parent, entry.name, attributes);
        if (result.verdict == RemovalSafetyCheck::Verdict::Gone) {
            gone(entry);
            continue;
        }
        if (result.verdict == RemovalSafetyCheck::Verdict::Changed) {
            notVerified(entry, std::move(result.reason));
            continue;
        }
        // A folder that is immutable or append-only takes no removal either: the script clears its flags
        // around the copy's removal and sets them again.
        FileAttributes folder;
        if (!fs.attributesAt(parent, ".", folder)) folder = {};  // unreadable flags count as not set
        lines.push_back({entry.path, entry.isDirectory, attributes.immutable, attributes.appendOnly, folder.immutable,
                         folder.appendOnly});
        scripted.push_back(&entry);
        // Clearing the folder's flags takes the same right as clearing the copy's.
        if (rights.needsAdministratorToRemove(entry.path, entry.parentPath, entry.isDirectory,
                                              attributes.immutable || attributes.appendOnly || folder.immutable ||
                                                  folder.appendOnly))
            administrator = true;
    }
    if (rights.isAdministrator()) administrator = false;

    bool notAllowed = false;
    if (!scripted.empty()) {
        std::string resultsFile;
        if (wantsResultsFile() && !script_files::writeNew({}, ".out", 0600, resultsFile)) notAllowed = true;
        if (!notAllowed) {
            HelperScript script = makeScript(administrator, resultsFile);
            for (auto& line : lines) script.add(std::move(line));
            notAllowed = !runScript(script, administrator);
        }
        std::string results;
        if (!resultsFile.empty()) {
            file_contents::readRegularFile(resultsFile, std::uint64_t(1) << 30, results);
            script_files::removeFile(resultsFile);
        }
        // Examined whatever the script answered: it may have done part of its work.
        for (const Entry* entry : scripted) {
            const Outcome outcome = confirmRemoved(*entry, results);
            if (outcome == Outcome::Stayed) {
                errors.push_back(entry->error);
                continue;
            }
            removed.push_back(entry->item);
            if (outcome == Outcome::GoneElsewhere) goneElsewhere.push_back(entry->path);
        }
    }

    auto self = shared_from_this();
    dispatch::main().async([self, errors = std::move(errors), removed = std::move(removed),
                            goneElsewhere = std::move(goneElsewhere), notAllowed, administrator] {
        self->m_arrRemoveErrors = errors;
        self->m_arrRemovedItems = removed;
        self->m_arrGoneElsewherePaths = goneElsewhere;
        self->m_bNotAllowed = notAllowed;
        self->m_bUsedAdministratorRights = administrator && !notAllowed;
        self->m_bFinished = true;
        auto listener = self->m_pListener.lock();
        if (!listener) return;
        if (notAllowed) listener->onUserWasNotAllowedExecuteRemover(*self);
        listener->onRemover(*self, removed);
        listener->onRemoverFinished(*self);
    });
}

bool DorvaneRemover::runScript(HelperScript& script, bool administrator) {
    std::vector<std::string> listPaths;
    auto cleanUp = [&listPaths](const std::string& scriptPath) {
        for (const auto& p : listPaths) script_files::removeFile(p);
        if (!scriptPath.empty()) script_files::removeFile(scriptPath);
    };
    for (const auto& list : script.lists()) {
        std::string path;
        if (!script_files::writeNew(list, ".list", 0600, path)) {
            cleanUp({});
            return false;
        }
        listPaths.push_back(path);
    }
    std::string scriptPath;
    if (!script_files::writeNew(script.text(listPaths), ".sh", 0700, scriptPath)) {
        cleanUp({});
        return false;
    }
    std::vector<std::string> argv;
    if (administrator) argv.push_back("pkexec");
    argv.push_back("/bin/sh");
    argv.push_back(scriptPath);
    int exitStatus = -1;
    const Status launched = ProcessLauncher::standard().run(argv, exitStatus);
    cleanUp(scriptPath);
    if (!launched) return false;
    if (administrator && (exitStatus == kPkexecNotAuthorized || exitStatus == kPkexecDismissed)) return false;
    return true;
}
