#include "cli/MergeReport.h"

#include "cli/Format.h"
#include "operations/MergeOperationData.h"
#include "operations/MergeOperationResult.h"
#include "platform/FileLabels.h"

namespace merge_report {
namespace {
const char* actionWord(MergeAction action) { return action == MergeAction::Move ? "move" : "copy"; }

const char* resultWord(FileOperationResult result) {
    switch (result) {
        case FileOperationResult::Successful: return "done";
        case FileOperationResult::Failed: return "failed";
        case FileOperationResult::Unknown: return "not done";
    }
    return "";
}

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// The source's items that stay where they are, with the reason.
std::vector<std::pair<const MergeItem*, std::string>> staying(const MergeOperationData& data) {
    std::vector<std::pair<const MergeItem*, std::string>> out;
    const MergeFolder& destination = data.destinationFolder();
    const std::string other = "\"" + destination.name() + "\"";
    for (const auto& item : data.sourceFolder().items()) {
        if (item->action()) continue;
        if (!item->file()) {
            out.emplace_back(item.get(), "the scan left it out: a link, a special file or excluded by the settings");
            continue;
        }
        std::string sameAs;
        for (const MergeItem* there : destination.duplicates())
            if (there->group() && there->group() == item->group()) {
                sameAs = there->name();
                if (sameAs == item->name()) break;
            }
        if (sameAs.empty() || sameAs == item->name())
            out.emplace_back(item.get(), other + " holds the same content");
        else
            out.emplace_back(item.get(), other + " holds the same content as \"" + format::displayPath(sameAs) +
                                             "\"; --with-different-names merges it too");
    }
    return out;
}
}  // namespace

std::string planText(const MergeOperationData& data) {
    // The description's second line speaks of the dialog's options; the options here are the flags.
    const std::string description = data.descriptionText();
    std::string text = description.substr(0, description.find('\n')) + "\n" + "From: " + format::displayPath(data.sourceFolder().path()) +
                       "\nTo:   " + format::displayPath(data.destinationFolder().path()) + "\n";
    const auto items = data.affectedItems();
    const auto stays = staying(data);
    if (!items.empty() || !stays.empty()) text += "\n";
    for (const MergeItem* item : items) {
        text += "  " + pad(MergeOperationData::detailsLabel(*item->action(), MergeItemPhase::Planned), 16) +
                format::displayPath(item->name());
        if (item->destinationName() != item->name())
            text += "  (as \"" + format::displayPath(item->destinationName()) + "\": the name is taken)";
        text += "\n";
    }
    for (const auto& [item, why] : stays)
        text += "  " + pad("stays", 16) + format::displayPath(item->name()) + "  (" + why + ")\n";
    const auto& options = data.options();
    if (options.colorTag > 0) text += "Label: " + FileLabels::colourName(options.colorTag) + "\n";
    if (options.removeSourceFolder)
        text += "\"" + data.sourceFolder().name() + "\" goes to the Trash once every file was merged.\n";
    return text;
}

std::string resultsText(const MergeOperationData& data, const MergeOutcome& outcome) {
    std::string text;
    std::uint64_t done = 0, failed = 0, notDone = 0, unlabelled = 0;
    for (const auto& r : outcome.results) {
        const std::string from = format::displayPath(r.originalURL);
        if (r.result == FileOperationResult::Successful) {
            ++done;
            text += pad(MergeOperationData::detailsLabel(r.action, MergeItemPhase::Done), 8) + " " + from + " -> " +
                    format::displayPath(r.destinationURL) + "\n";
            if (r.label > 0 && !r.labelStatus) {
                ++unlabelled;
                text += "         label not applied: " + r.labelStatus.message() + "\n";
            }
        } else if (r.result == FileOperationResult::Failed) {
            ++failed;
            text += "failed   " + from + ": " + r.status.message() + "\n";
        } else {
            ++notDone;
            text += "not done " + from + " (stopped)\n";
        }
    }
    const std::string source = "\"" + format::displayPath(data.sourceFolder().path()) + "\"";
    if (outcome.sourceFolderTrashed)
        text += source + " was moved to the Trash (" + format::displayPath(outcome.sourceFolderInTrash) + ")\n";
    else if (outcome.sourceFolderRemovalAsked)
        text += source + " stays: " + outcome.sourceFolderKeptBecause + "\n";
    const auto action = data.options().action.value_or(MergeAction::Move);
    text += format::counted(done, "file", "files") + " " + MergeOperationData::detailsLabel(action, MergeItemPhase::Done);
    if (failed) text += ", " + format::count(failed) + " failed";
    if (notDone) text += ", " + format::count(notDone) + " not done";
    if (unlabelled) text += ", " + format::count(unlabelled) + " without their label";
    return text + "\n";
}

std::string json(const MergeOperationData& data, const MergeOutcome* outcome, bool dryRun) {
    const auto& options = data.options();
    std::string out = "{\n  \"source\": " + format::jsonString(data.sourceFolder().path()) +
                      ",\n  \"destination\": " + format::jsonString(data.destinationFolder().path()) +
                      ",\n  \"action\": \"" + actionWord(options.action.value_or(MergeAction::Move)) + "\"" +
                      ",\n  \"withDifferentNames\": " + (options.mergeDuplicatesWithDifferentNames ? "true" : "false") +
                      ",\n  \"label\": " + format::jsonString(FileLabels::colourName(options.colorTag)) +
                      ",\n  \"removeSource\": " + (options.removeSourceFolder ? "true" : "false") +
                      ",\n  \"dryRun\": " + (dryRun ? "true" : "false") +
                      ",\n  \"description\": " + format::jsonString(data.descriptionText()) +
                      ",\n  \"countOfAffectedItems\": " + std::to_string(data.countOfAffectedItems()) +
                      ",\n  \"items\": [";
    const auto items = data.affectedItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MergeItem& item = *items[i];
        out += std::string(i ? "," : "") + "\n    { \"path\": " + format::jsonString(item.path()) +
               ", \"destination\": " + format::jsonString(data.destinationPathOf(item)) + ", \"action\": \"" +
               actionWord(*item.action()) + "\"";
        if (outcome) {
            out += std::string(", \"result\": \"") + resultWord(item.result()) + "\"";
            if (item.error()) out += ", \"error\": " + format::jsonString(item.error()->message());
            if (options.colorTag > 0 && item.result() == FileOperationResult::Successful)
                out += std::string(", \"labelApplied\": ") + (item.labelStatus() ? "true" : "false");
        }
        out += " }";
    }
    out += items.empty() ? "]" : "\n  ]";
    out += ",\n  \"stays\": [";
    const auto stays = staying(data);
    for (std::size_t i = 0; i < stays.size(); ++i)
        out += std::string(i ? "," : "") + "\n    { \"path\": " + format::jsonString(stays[i].first->path()) +
               ", \"reason\": " + format::jsonString(stays[i].second) + " }";
    out += stays.empty() ? "]" : "\n  ]";
    if (outcome) {
        const auto& s = outcome->statistics;
        out += ",\n  \"succeeded\": " + std::to_string(s.countOfSuccessfullyPerformed) +
               ",\n  \"failed\": " + std::to_string(s.countOfFailed) +
               ",\n  \"notPerformed\": " + std::to_string(s.countOfNotPerformed) +
               ",\n  \"sourceFolder\": { \"trashed\": " + (outcome->sourceFolderTrashed ? "true" : "false");
        if (outcome->sourceFolderTrashed) out += ", \"pathInTrash\": " + format::jsonString(outcome->sourceFolderInTrash);
        if (!outcome->sourceFolderKeptBecause.empty())
            out += ", \"keptBecause\": " + format::jsonString(outcome->sourceFolderKeptBecause);
        out += " }";
    }
    return out + "\n}\n";
}
}  // namespace merge_report
