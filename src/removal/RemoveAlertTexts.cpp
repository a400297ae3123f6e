#include "removal/RemoveAlertTexts.h"

#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/RemoveErrorInfo.h"

namespace {
const std::vector<std::string> kConfirmButtons = {"Confirm", "Cancel", "Read More"};
const std::vector<std::string> kExplainButtons = {"OK", "Read More"};

std::string quotedName(const DefaultRemoverErrorGroup& group) {
    const std::string name = group.errors().empty() ? std::string() : group.errors().front()->name();
    return name.empty() ? std::string() : " \"" + name + "\"";
}

// "The file was not removed…" with the name when it is known.
std::string singularTitle(const DefaultRemoverErrorGroup& group, const std::string& noun, const std::string& rest) {
    return "The " + noun + quotedName(group) + rest;
}

RemoveAlert question(std::string title, std::string text, const char* topic) {
    return RemoveAlert{std::move(title), std::move(text), kConfirmButtons, topic, true};
}
}  // namespace

RemoveAlert RemoveAlertTexts::permanentRemovalConfirmation(std::uint64_t countOfItems) {
    RemoveAlert alert;
    alert.title = "Are you sure you want to delete some files permanently?";
    alert.text = std::to_string(countOfItems) + " item" + (countOfItems == 1 ? "" : "s") +
                 " will be deleted permanently. You cannot undo this action.";
    alert.buttons = {"OK", "Cancel"};
    alert.asksConfirmation = true;
    return alert;
}

RemoveAlert RemoveAlertTexts::alertForGroup(const DefaultRemoverErrorGroup& group) {
    const std::size_t n = group.errors().size();
    const bool several = n > 1;
    const std::string count = std::to_string(n);
    using T = DefaultRemoverErrorGroupType;
    switch (group.type()) {
        case T::ReadOnlyAccess:
            return several ? question(count + " files were not removed due to lack of permission",
                                      "Removal of these files requires your confirmation in the Finder.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmation")
                           : question(singularTitle(group, "file", " was not removed due to lack of permission"),
                                      "Removal of this file requires your confirmation in the Finder.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmation");
        case T::LockedFiles:
            return several ? question(count + " files were not removed due to being locked",
                                      "Removal of these files requires your unlocking and confirmation in the Finder.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmationUnlock")
                           : question(singularTitle(group, "file", " was not removed due to being locked"),
                                      "Removal of this file requires your unlocking and confirmation in the Finder.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmationUnlock");
        case T::NetworkDisk:
            return several ? question(count + " files cannot be removed to Trash",
                                      "The files are located on the Network disk and can be removed permanently only.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveFromNetworkDisk")
                           : question(singularTitle(group, "file", " cannot be removed to Trash"),
                                      "The file is located on the Network disk and can be removed permanently only.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveFromNetworkDisk");
        case T::HardLinkFolder:
            return several ? question(count + " folders cannot be removed to Trash",
                                      "The folders have the hard links and can be removed permanently only.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveHardLinkFolder")
                           : question(singularTitle(group, "folder", " cannot be removed to Trash"),
                                      "The folder has the hard links and can be removed permanently only.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveHardLinkFolder");
        case T::Unknown: {
            const bool toTrash = group.isRemoveToTrash();
            std::string words = group.isAllFolders() ? "folder" : "file";
            if (several) words += "s";
            const std::string subject = several ? count + " " + words : "The " + words + quotedName(group);
            const std::string object = several ? words : words + quotedName(group);
            const std::string verb = toTrash ? " cannot be removed to Trash"
                                             : (several ? " were not removed" : " was not removed");
            const std::string text =
                "Removal of the " + object +
                (toTrash ? " can be removed permanently only.\nDo you confirm removal?"
                         : " requires your confirmation in the Finder.\nDo you confirm removal?");
            return question(subject + verb, text,
                            toTrash ? "removeErrorHelpURLAboutUnknownErrorForRemoveToTrash"
                                    : "removeErrorHelpURLAboutUnknownErrorForRemovePermanently");
        }
        case T::ReadOnlyNTFSDisk:
            return RemoveAlert{several ? "The files are located on the NTFS formatted disk.\n"
                                         "You should install a special extension to have the ability to write to the disk."
                                       : "The file is located on the NTFS formatted disk.\n"
                                         "You should install a special extension to have the ability to write to the disk.",
                               "", kExplainButtons, "removeErrorHelpURLAboutRemoveFromNTFSDisk", false};
        case T::ReadOnlyDisk:
            return RemoveAlert{several ? "The files are located on a disk with Read Only permission."
                                       : "The file is located on a disk with Read Only permission.",
                               "", kExplainButtons, "removeErrorHelpURLAboutRemoveFromReadOnlyDisk", false};
        case T::NotRemoved:
            return RemoveAlert{several ? "Cannot remove files due to lack of permission." : "The file cannot be removed. ",
                               "", {"OK", "Report Us"}, "", false};
    }
    return {};
}

RemoveAlert RemoveAlertTexts::helperNotAllowed() {
    return RemoveAlert{"The user did not allow the helper to remove the files.",
                       "Nothing was removed by it: the files stay where they are.", {"OK"}, "", false};
}
