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
    alert.text = std::to_string(countOfItems) + (countOfItems == 1 ? " copy" : " copies") +
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
                                      "Their folders do not let you remove files: removing them needs write permission there.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmation")
                           : question(singularTitle(group, "file", " was not removed due to lack of permission"),
                                      "Its folder does not let you remove files: removing it needs write permission there.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmation");
        case T::LockedFiles:
            return several ? question(count + " files were not removed due to being locked",
                                      "These files are immutable or append-only (chattr +i, +a); removing them needs that flag cleared first.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmationUnlock")
                           : question(singularTitle(group, "file", " was not removed due to being locked"),
                                      "This file is immutable or append-only (chattr +i, +a); removing it needs that flag cleared first.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveWithConfirmationUnlock");
        case T::NetworkDisk:
            return several ? question(count + " files cannot be moved to the Trash",
                                      "The files are on a network file system without a Trash and can only be deleted permanently.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveFromNetworkDisk")
                           : question(singularTitle(group, "file", " cannot be moved to the Trash"),
                                      "The file is on a network file system without a Trash and can only be deleted permanently.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveFromNetworkDisk");
        case T::HardLinkFolder:
            return several ? question(count + " folders cannot be moved to the Trash",
                                      "The folders have hard links and can only be deleted permanently.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveHardLinkFolder")
                           : question(singularTitle(group, "folder", " cannot be moved to the Trash"),
                                      "The folder has hard links and can only be deleted permanently.\n"
                                      "Do you confirm removal?",
                                      "removeErrorHelpURLAboutRemoveHardLinkFolder");
        case T::Unknown: {
            const bool toTrash = group.isRemoveToTrash();
            std::string words = group.isAllFolders() ? "folder" : "file";
            if (several) words += "s";
            const std::string subject = several ? count + " " + words : "The " + words + quotedName(group);
            const std::string object = several ? words : words + quotedName(group);
            const std::string verb = toTrash ? " cannot be moved to the Trash"
                                             : (several ? " were not removed" : " was not removed");
            const std::string text =
                toTrash ? "The " + object + " can only be deleted permanently.\nDo you confirm removal?"
                        : "The " + object + " could not be removed for a reason given with each copy.\nDo you confirm removal?";
            return question(subject + verb, text,
                            toTrash ? "removeErrorHelpURLAboutUnknownErrorForRemoveToTrash"
                                    : "removeErrorHelpURLAboutUnknownErrorForRemovePermanently");
        }
        case T::ReadOnlyNTFSDisk:
            return RemoveAlert{several ? "The files are on an NTFS volume mounted read-only.\n"
                                         "Mount it for writing (the ntfs3 or ntfs-3g driver) to remove them."
                                       : "The file is on an NTFS volume mounted read-only.\n"
                                         "Mount it for writing (the ntfs3 or ntfs-3g driver) to remove it.",
                               "", kExplainButtons, "removeErrorHelpURLAboutRemoveFromNTFSDisk", false};
        case T::ReadOnlyDisk:
            return RemoveAlert{several ? "The files are on a volume mounted read-only."
                                       : "The file is on a volume mounted read-only.",
                               "", kExplainButtons, "removeErrorHelpURLAboutRemoveFromReadOnlyDisk", false};
        case T::NotRemoved:
            return RemoveAlert{several ? "Some files could not be removed." : "The file could not be removed.",
                               "", {"OK"}, "", false};
    }
    return {};
}

RemoveAlert RemoveAlertTexts::helperNotAllowed() {
    return RemoveAlert{"The user did not allow the helper to remove the files.",
                       "Nothing was removed by it: the files stay where they are.", {"OK"}, "", false};
}

std::string RemoveAlertTexts::readMoreText(const std::string& topic) {
    static const std::pair<const char*, const char*> kTexts[] = {
        {"removeErrorHelpURLAboutRemoveWithConfirmation",
         "Removing a file changes its folder, so it needs write permission on the folder, not on the file. "
         "Confirm, and a helper removes them, asking for administrator rights (pkexec) when the folder is not "
         "yours; or change its permissions (chmod u+w FOLDER) and run the removal again."},
        {"removeErrorHelpURLAboutRemoveWithConfirmationUnlock",
         "A file with the immutable (i) or append-only (a) attribute cannot be removed, even by its owner, "
         "and neither can any file in a folder that has one. 'lsattr -d PATH' shows the flags. Confirm, and a "
         "helper clears them, removes the file and sets a folder's flags again, asking for administrator "
         "rights (pkexec) unless you run as root."},
        {"removeErrorHelpURLAboutRemoveFromNetworkDisk",
         "Network file systems (NFS, SMB, SSHFS) usually have no Trash of their own, and moving a file to the "
         "home Trash would copy it over the network. Such copies can only be deleted permanently (--permanent)."},
        {"removeErrorHelpURLAboutRemoveHardLinkFolder",
         "A folder whose files have other names elsewhere cannot be moved to the Trash without splitting those "
         "names; it can only be deleted permanently (--permanent)."},
        {"removeErrorHelpURLAboutUnknownErrorForRemoveToTrash",
         "The Trash of the copy's volume could not take it; the reason is listed with each copy. Deleting "
         "permanently (--permanent) does not need the Trash."},
        {"removeErrorHelpURLAboutUnknownErrorForRemovePermanently",
         "The system refused to remove the copy; the reason is listed with each copy."},
        {"removeErrorHelpURLAboutRemoveFromNTFSDisk",
         "NTFS volumes mounted by the old read-only driver cannot be changed. Mount the volume with the ntfs3 "
         "driver or ntfs-3g to remove files on it."},
        {"removeErrorHelpURLAboutRemoveFromReadOnlyDisk",
         "The volume is mounted read-only ('findmnt -T PATH' shows its options); remount it read-write to "
         "remove files on it."},
    };
    for (const auto& [key, text] : kTexts)
        if (topic == key) return text;
    return {};
}
