#include "cli/RemoveCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <unordered_map>

#include "cli/Format.h"
#include "cli/RemovalPlan.h"
#include "cli/RemoveRun.h"
#include "cli/ReportWriter.h"
#include "cli/StopSignals.h"
#include "cli/UnusableSettings.h"
#include "platform/FileSystem.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"

namespace {
const char* kRemoveUsage =
    "usage: dorvane remove PLAN [--permanent] [--dry-run] [--yes] [--wait] [--format text|json] [-q]\n"
    "\n"
    "Removes the copies that PLAN, a report of 'dorvane scan --format json -o PLAN', marks \"selected\": true\n"
    "(edit it by hand or make it with --select). The members of those groups are looked at again first: one\n"
    "whose size, modification time or inode changed since the scan, or that is gone, is kept and named; a group\n"
    "left without an unselected, unchanged copy is refused as a whole. Each copy is then checked against a copy\n"
    "that stays at the moment it is removed, as 'dorvane scan --remove' does.\n"
    "  --permanent        delete the copies for good instead of moving them to the Trash (asks first)\n"
    "  --dry-run          print what would be removed, touch nothing\n"
    "  -y, --yes          answer every question with OK\n"
    "  --wait             wait for another removal run to end (else exit 1)\n"
    "  --format FORMAT    text (default) or json (the result as one JSON document on standard output)\n"
    "  -q, --quiet        no progress display\n";

struct RemoveCommandOptions {
    std::string plan;
    bool permanent = false, dryRun = false, yes = false, wait = false, json = false, quiet = false, help = false;
};

std::optional<RemoveCommandOptions> parse(const std::vector<std::string>& arguments, std::string& error) {
    RemoveCommandOptions o;
    bool planGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--permanent") {
            o.permanent = true;
        } else if (a == "--dry-run") {
            o.dryRun = true;
        } else if (a == "-y" || a == "--yes") {
            o.yes = true;
        } else if (a == "--wait") {
            o.wait = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "--format" || a.starts_with("--format=")) {
            std::optional<std::string> v;
            if (a != "--format") v = a.substr(9);
            else if (i + 1 < arguments.size()) v = arguments[++i];
            if (!v || (*v != "text" && *v != "json")) {
                error = "--format takes text or json";
                return std::nullopt;
            }
            o.json = *v == "json";
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        } else if (planGiven) {
            error = "one plan at a time ('" + o.plan + "' and '" + a + "')";
            return std::nullopt;
        } else {
            o.plan = a;
            planGiven = true;
        }
    }
    if (!planGiven && !o.help) {
        error = "which plan? give the JSON report of 'dorvane scan --format json -o PLAN'";
        return std::nullopt;
    }
    return o;
}

// What became of one member since the plan; empty when it is as the plan describes it.
std::string changeSincePlan(const RemovalPlan::Member& member, bool folder, FileAttributes& now) {
    const Status s = FileSystem::standard().attributes(member.path, now);
    if (!s && s.code() == StatusCode::NotFound) return "it is gone since the plan";
    if (!s) return "it could not be checked: " + Status(s.code(), s.sysErrno(), {}).message();
    if (folder && now.kind != FileKind::Folder) return "it is no longer a folder";
    if (!folder && now.kind != FileKind::Regular) return "it is no longer a regular file";
    if (!folder && now.size != member.size)
        return "its size changed since the plan (" + std::to_string(member.size) + " → " + std::to_string(now.size) +
               " bytes)";
    if (now.modificationSeconds != member.modified) return "it was modified since the plan";
    if (member.inode != 0 && (now.inode != member.inode || now.device != member.device))
        return "it was replaced by another file since the plan (another inode)";
    return {};
}

struct Refusal {
    std::int64_t group = 0;
    std::vector<std::string> paths;  // its selected members, all kept
    std::string reason;
};

struct PlanCheck {
    std::vector<RemovalOutcome::Failure> changed;  // every member changed since the plan, with the reason
    std::vector<std::string> changedSelected;      // those of them that were selected
    std::vector<Refusal> refused;
    std::vector<RemovalOutcome::Failure> notSelectable;  // selected in the plan, but the group keeps them
    std::uint64_t selected = 0;                    // selected members in the plan
    std::uint64_t groupsWithSelection = 0;
};

// The results of the plan as a container: one root per top folder, the unchanged members of each group
// that keeps an unselected unchanged copy, the selected ones selected.
std::shared_ptr<DuplicatesContainer> buildContainer(const RemovalPlan& plan, PlanCheck& check) {
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    for (const auto& folder : plan.folders) roots.push_back(VolumeSystemItem::createRoot(folder, 0, 0));
    // Every node made so far by its path, so that a plan of many members in one folder is built in
    // linear time. A folder's own attributes say nothing of its content: its sizes come from the plan.
    std::unordered_map<std::string, FileSystemItem*> made;
    for (const auto& r : roots) made.emplace(r->path(), r.get());
    auto nodeFor = [&roots, &made](const RemovalPlan::Member& member, bool folder,
                                   const FileAttributes& attributes) -> FileSystemItem* {
        const std::string& path = member.path;
        std::size_t longest = std::string::npos;
        for (const auto& r : roots) {
            const std::string top = r->path();
            const std::size_t length = top == "/" ? 0 : top.size();
            if ((top == "/" || (path.compare(0, top.size(), top) == 0 && path[top.size()] == '/')) &&
                (longest == std::string::npos || length > longest))
                longest = length;
        }
        if (longest == std::string::npos) return nullptr;
        // The folders above the member, from the root down.
        std::size_t start = longest + 1;
        auto* parent = static_cast<FolderSystemItem*>(made.at(longest == 0 ? std::string("/") : path.substr(0, longest)));
        for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1) {
            const std::string above = path.substr(0, slash);
            auto it = made.find(above);
            if (it != made.end() && !it->second->isDir()) return nullptr;
            parent = it != made.end() ? static_cast<FolderSystemItem*>(it->second)
                                      : FolderSystemItem::createFolder(path.substr(start, slash - start), parent, 0,
                                                                       false, 0, false, 0);
            made.emplace(above, parent);
        }
        const std::string name = path.substr(start);
        if (auto it = made.find(path); it != made.end()) return folder && it->second->isDir() ? it->second : nullptr;
        FileSystemItem* node = nullptr;
        if (folder) {
            node = FolderSystemItem::createFolder(name, parent, static_cast<std::int64_t>(member.diskSize), false, 0,
                                                  false, static_cast<std::int64_t>(member.size));
        } else {
            node = FileSystemItem::createFile(name, parent, static_cast<std::int64_t>(attributes.allocatedSize), 0, false,
                                              static_cast<std::int64_t>(attributes.size));
            node->setHasOtherNames(attributes.linkCount > 1);
        }
        made.emplace(path, node);
        return node;
    };

    // Folder groups first: their members get the plan's sizes before file members below them would make
    // them as plain folders on the way.
    std::vector<const RemovalPlan::Group*> order;
    for (const auto& group : plan.groups) order.push_back(&group);
    std::stable_partition(order.begin(), order.end(), [](const RemovalPlan::Group* g) { return g->folders; });
    for (const RemovalPlan::Group* groupInOrder : order) {
        const RemovalPlan::Group& group = *groupInOrder;
        std::vector<FileSystemItem*> nodes;
        std::vector<const RemovalPlan::Member*> members;
        std::vector<std::string> selectedKept;
        // Only the groups with something to remove are looked at again.
        if (std::none_of(group.members.begin(), group.members.end(), [](const auto& m) { return m.selected; })) continue;
        check.groupsWithSelection += 1;
        std::vector<FileAttributes> attributes;
        bool keeperLeft = false;
        for (const auto& member : group.members) {
            FileAttributes now;
            const std::string change = changeSincePlan(member, group.folders, now);
            if (!change.empty()) {
                check.changed.push_back({member.path, change});
                if (member.selected) check.changedSelected.push_back(member.path);
                continue;
            }
            if (member.selected) selectedKept.push_back(member.path);
            keeperLeft = keeperLeft || !member.selected;
            members.push_back(&member);
            attributes.push_back(now);
        }
        if (selectedKept.empty()) continue;
        std::string refusal;
        if (!keeperLeft) {
            refusal = "no unselected copy of it is unchanged since the plan, so none would stay";
        } else {
            for (std::size_t i = 0; i < members.size(); ++i) {
                FileSystemItem* node = nodeFor(*members[i], group.folders, attributes[i]);
                if (!node || node->getDuplicateItem()) {
                    refusal = "'" + members[i]->path + "' lies where another member of the plan is";
                    break;
                }
                nodes.push_back(node);
            }
        }
        std::shared_ptr<DuplicatesGroup> made;
        if (refusal.empty()) {
            made = container->addGroupWithItems(nodes);
            if (!made) refusal = "its copies are names of one and the same file";
        }
        if (!refusal.empty()) {
            check.refused.push_back({group.id, selectedKept, refusal});
            continue;
        }
        for (std::size_t i = 0; i < members.size(); ++i) {
            DuplicateItem* item = nodes[i]->getDuplicateItem();
            if (!members[i]->selected || !item) continue;
            item->selectItemForced(false);
            if (made->isItemInSelection(item)) continue;
            // The group's own rules keep it: a copy inside a duplicate folder goes only with its folder.
            const DuplicateItem* folder = item->getAssociatedDuplicateFolder();
            check.notSelectable.push_back(
                {members[i]->path, folder ? "it lies inside the duplicate folder " + folder->getFileItemPath() +
                                                ", which is not selected: it goes only together with its folder"
                                          : "one copy of its group must stay"});
        }
    }
    container->saveRoots(std::move(roots));
    return container;
}

void printCheck(const RemovalPlan& plan, const PlanCheck& check) {
    std::printf("Plan %s: %s copies selected in %s groups\n", plan.file.c_str(), format::count(check.selected).c_str(),
                format::count(check.groupsWithSelection).c_str());
    if (!check.changed.empty()) {
        std::printf("Changed since the plan, kept: %s\n", format::count(check.changed.size()).c_str());
        for (const auto& c : check.changed) std::printf("  %s: %s\n", c.path.c_str(), c.reason.c_str());
    }
    for (const auto& k : check.notSelectable) std::printf("Kept: %s: %s\n", k.path.c_str(), k.reason.c_str());
    for (const auto& r : check.refused) {
        std::printf("Group %lld refused, nothing removed from it: %s\n", static_cast<long long>(r.group), r.reason.c_str());
        for (const auto& p : r.paths) std::printf("  kept: %s\n", p.c_str());
    }
    std::fflush(stdout);
}

std::string planJson(const RemovalPlan& plan, const PlanCheck& check, const RemovalOutcome& outcome) {
    std::string out = "{\n  \"version\": 1,\n  \"plan\": " + format::jsonString(plan.file) +
                      ",\n  \"selected\": " + std::to_string(check.selected) + ",\n  \"changed\": [";
    for (std::size_t i = 0; i < check.changed.size(); ++i)
        out += std::string(i ? "," : "") + "\n    { \"path\": " + format::jsonString(check.changed[i].path) +
               ", \"reason\": " + format::jsonString(check.changed[i].reason) + " }";
    out += std::string(check.changed.empty() ? "" : "\n  ") + "],\n  \"refused_groups\": [";
    for (std::size_t i = 0; i < check.refused.size(); ++i) {
        const auto& r = check.refused[i];
        out += std::string(i ? "," : "") + "\n    { \"id\": " + std::to_string(r.group) + ", \"reason\": " +
               format::jsonString(r.reason) + ", \"kept\": [";
        for (std::size_t p = 0; p < r.paths.size(); ++p) out += (p ? ", " : "") + format::jsonString(r.paths[p]);
        out += "] }";
    }
    out += std::string(check.refused.empty() ? "" : "\n  ") + "],\n";
    const std::string removal = report_writer::removalJson(outcome);
    return out + removal.substr(0, removal.size() - 2) + "\n}\n";
}
}  // namespace

int runRemoveCommand(const std::vector<std::string>& arguments) {
    std::string error;
    const std::optional<RemoveCommandOptions> options = parse(arguments, error);
    if (!options) {
        std::fprintf(stderr, "dorvane remove: %s\nTry 'dorvane remove --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(kRemoveUsage, stdout);
        return 0;
    }
    if (auto warning = Settings::standard().takeLoadWarning()) std::fprintf(stderr, "dorvane: %s\n", warning->c_str());
    if (!options->dryRun && !mayRemoveWithTheseSettings(options->yes)) return 3;

    const RemovalPlanReading reading = readRemovalPlan(options->plan);
    if (!reading.plan) {
        std::fprintf(stderr, "dorvane remove: %s; nothing was removed\n", reading.error.c_str());
        return 1;
    }
    const RemovalPlan& plan = *reading.plan;
    const stop_signals::Handlers handlers;

    PlanCheck check;
    for (const auto& group : plan.groups)
        for (const auto& member : group.members) check.selected += member.selected;
    std::shared_ptr<DuplicatesContainer> container = buildContainer(plan, check);
    if (!options->json) printCheck(plan, check);
    if (const int stopped = stop_signals::stopStatus(); stopped != 0) {
        std::fprintf(stderr, "dorvane remove: stopped before the removal; nothing was removed\n");
        return stopped;
    }

    RemovalOutcome outcome;
    RemoveOptions remove;
    remove.permanent = options->permanent;
    remove.yes = options->yes;
    remove.dryRun = options->dryRun;
    remove.interactive = isatty(STDIN_FILENO);
    remove.showProgress = !options->quiet && isatty(STDERR_FILENO);
    remove.wait = options->wait;
    remove.stopStatus = stop_signals::stopStatus;
    remove.textSummary = !options->json;
    remove.outcome = &outcome;
    int status = runRemoval(container, remove);

    // The selected copies this command kept before the run are not removed either.
    for (const auto& path : check.changedSelected)
        for (const auto& c : check.changed)
            if (c.path == path) outcome.failed.push_back(c);
    for (const auto& r : check.refused)
        for (const auto& path : r.paths) outcome.failed.push_back({path, "its group was refused: " + r.reason});
    outcome.failed.insert(outcome.failed.end(), check.notSelectable.begin(), check.notSelectable.end());
    if (options->json) {
        const std::string text = planJson(plan, check, outcome);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    const bool keptSome = !check.changedSelected.empty() || !check.refused.empty() || !check.notSelectable.empty();
    if (status == 0 && keptSome) status = 1;
    return status;
}
