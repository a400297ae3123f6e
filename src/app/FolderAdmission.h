// Whether a chosen folder may join a scan, and why not: the same first checks for the command line and
// the window (it exists, it is a folder, it can be listed); the window adds the backups, read-only
// volume and exclusion checks. Reads the file system and the mount table; any thread.
#pragma once

#include <string>

struct FolderAdmission {
    enum class Refusal { None, CannotResolve, NotAFolder, Unreadable, BackupsFolder, ReadOnlyVolume, ReadOnlyNtfsVolume, Excluded };
    enum class Checks { Basic, Window };

    Refusal refusal = Refusal::None;
    std::string path;    // the canonical path when admitted
    std::string given;   // the folder as it was given
    std::string reason;  // one line naming the given path, as the command line prints it: "'x': not a folder"

    bool admitted() const { return refusal == Refusal::None; }
    // The alert the window shows for a refusal: its message and informative text.
    std::string alertMessage() const;
    std::string alertInformativeText() const;

    static FolderAdmission check(const std::string& given, Checks checks);
    // A backups folder: "Backups.backupdb" at a volume's top, or a Timeshift snapshot folder
    // (".../timeshift/snapshots"), or anything inside either.
    static bool isInBackups(const std::string& canonicalPath);
};
