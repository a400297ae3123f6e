// The user's home folder, found once per process, and the name of a volume's backups folder.
// Any thread may call it.
#pragma once

#include <string>

class PathsGenerator {
public:
    static PathsGenerator& GetInstance();
    PathsGenerator(const PathsGenerator&) = delete;
    PathsGenerator& operator=(const PathsGenerator&) = delete;

    const std::string& homeDirectory() const { return m_sHomeDirectory; }
    static std::string backupsFolderName() { return "Backups.backupdb"; }

private:
    PathsGenerator();

    const std::string m_sHomeDirectory;
};
