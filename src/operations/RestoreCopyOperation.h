// The copy that restores a removed file from a kept copy, another restored copy or a file the user
// pointed out; `isToExternalFolder` when the user chose the folder. Any one thread at a time.
#pragma once

#include "operations/CopyOperation.h"

class RestoreCopyOperation : public CopyOperation {
public:
    RestoreCopyOperation(std::string source, std::string destination, bool isToExternalFolder)
        : CopyOperation(std::move(source), std::move(destination)), m_bIsToExternalFolder(isToExternalFolder) {}
    bool isToExternalFolder() const { return m_bIsToExternalFolder; }

private:
    bool m_bIsToExternalFolder;
};
