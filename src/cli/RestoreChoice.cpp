#include "cli/RestoreChoice.h"

#include <algorithm>

#include "cli/Format.h"
#include "history/BaseRemovedItem.h"
#include "history/KeptItem.h"
#include "history/PermanentlyRemovedItem.h"
#include "history/RestoreController.h"
#include "history/RestoreControllersContainer.h"
#include "history/RestoreGroup.h"
#include "history/RestoreItem.h"
#include "history/RestoreKenelManager.h"
#include "history/VXLogFactory.h"
#include "platform/FileSystem.h"
#include "platform/UserPaths.h"

namespace restore_choice {

std::string logFolder(const std::string& given, std::string& problem) {
    if (!given.empty()) return given;
    const auto folder = VXLogFactory::logFolderPath();
    if (!folder) problem = "no folder for removal logs (no data folder)";
    return folder.value_or("");
}

std::shared_ptr<RestoreController> chooseLog(const std::string& folder, const std::string& log, bool last,
                                             std::string& problem, std::vector<std::string>& skipped) {
    std::shared_ptr<RestoreController> controller;
    if (last) {
        RestoreKenelManager manager;
        manager.loadFromFolder(folder);
        // The newest log that still holds a removed copy.
        for (const auto& day : manager.restoreControllers()) {
            for (const auto& c : day->controllers()) {
                c->loadOnlyIfHasNoLoadedData(true);
                if (!c->loadProblem().empty()) skipped.push_back(c->path() + ": " + c->loadProblem());
                if (c->calculateNumberOfRemovedItems() > 0) return c;
            }
        }
        problem = "no removal recorded in " + folder;
        return nullptr;
    }
    std::string path = log.find('/') == std::string::npos && !FileSystem::standard().exists(log) ? folder + "/" + log : log;
    if (!FileSystem::standard().exists(path)) {
        problem = "no removal log " + log + (log == path ? "" : " in " + folder);
        return nullptr;
    }
    controller = std::make_shared<RestoreController>(path);
    controller->loadOnlyIfHasNoLoadedData(false);
    if (!controller->loadProblem().empty()) {
        problem = "cannot read " + path + ": " + controller->loadProblem();
        return nullptr;
    }
    return controller;
}

ItemDescription describe(const BaseRemovedItem& item) {
    ItemDescription d;
    if (const auto restored = item.pathToRestoredFile()) {
        d.state = ItemState::Restored;
        d.path = *restored;
        d.text = *restored == item.originalPath() ? "restored" : "restored as " + format::displayPath(*restored);
        return d;
    }
    const auto source = item.itemToRestoreFrom();
    if (!source) {
        d.state = ItemState::NotRestorable;
        if (dynamic_cast<const RestoreItem*>(&item))
            d.text = "not restorable: not found in the Trash (or changed there), and no copy of it was found to restore from";
        else
            d.text = "not restorable: removed permanently, and no kept copy of it was found to restore from";
        return d;
    }
    d.path = source->itemToRestoreSourcePath();
    const auto* trashed = dynamic_cast<const RestoreItem*>(&item);
    if (source.get() == &item && trashed && d.path == trashed->pathInTrash()) d.state = ItemState::FromTrash;
    else if (dynamic_cast<const BaseRemovedItem*>(source.get())) d.state = ItemState::FromRestoredCopy;
    else if (item.restoreInfoDelegate() && source == item.restoreInfoDelegate()->fakeKeptItem())
        d.state = ItemState::FromChosenFile;
    else d.state = ItemState::FromKeptCopy;
    d.text = "restorable from " + sourceText(d);
    return d;
}

std::string sourceText(const ItemDescription& d) {
    switch (d.state) {
        case ItemState::FromTrash: return "the Trash";
        case ItemState::FromKeptCopy: return "the kept copy " + format::displayPath(d.path);
        case ItemState::FromRestoredCopy: return "the restored copy " + format::displayPath(d.path);
        default: return format::displayPath(d.path);
    }
}

QJsonObject describeJson(const BaseRemovedItem& item) {
    static const char* kStates[] = {"restored", "restorable", "restorable", "restorable", "restorable", "not restorable"};
    static const char* kSources[] = {"", "trash", "kept copy", "restored copy", "chosen file", ""};
    const ItemDescription d = describe(item);
    QJsonObject o;
    o.insert(QStringLiteral("path"), QString::fromStdString(item.originalPath()));
    if (!format::isValidUtf8(item.originalPath()))
        o.insert(QStringLiteral("path_bytes"), QString::fromStdString(format::base64(item.originalPath())));
    const auto* trashed = dynamic_cast<const RestoreItem*>(&item);
    o.insert(QStringLiteral("removal"), trashed ? QStringLiteral("trash") : QStringLiteral("permanent"));
    if (trashed) o.insert(QStringLiteral("pathInTrash"), QString::fromStdString(trashed->pathInTrash()));
    if (item.fileSize() != BaseFileLogItem::kUnknownSize) o.insert(QStringLiteral("size"), static_cast<qint64>(item.fileSize()));
    o.insert(QStringLiteral("isDirectory"), item.isDirectory());
    const int i = static_cast<int>(d.state);
    o.insert(QStringLiteral("state"), QString::fromLatin1(kStates[i]));
    if (d.state == ItemState::Restored) o.insert(QStringLiteral("restoredPath"), QString::fromStdString(d.path));
    else if (d.state != ItemState::NotRestorable) {
        o.insert(QStringLiteral("source"), QString::fromLatin1(kSources[i]));
        o.insert(QStringLiteral("sourcePath"), QString::fromStdString(d.path));
    } else {
        o.insert(QStringLiteral("reason"), QString::fromStdString(d.text.substr(d.text.find(": ") + 2)));
    }
    return o;
}

std::string absolutePath(const std::string& path) {
    // Byte by byte: a name that is not UTF-8 must reach the log's paths unchanged.
    std::string whole = path;
    if (whole.empty() || whole[0] != '/') whole = user_paths::workingFolder() + "/" + whole;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= whole.size()) {
        const std::size_t slash = std::min(whole.find('/', start), whole.size());
        const std::string part = whole.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace restore_choice
