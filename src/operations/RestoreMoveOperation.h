// The move that puts a removed file back from the Trash (or takes another removed copy's restored file)
// to its restore destination; `isToExternalFolder` when the user chose the folder. Any one thread at a time.
#pragma once

#include "operations/MoveOperation.h"

class RestoreMoveOperation : public MoveOperation {
public:
    RestoreMoveOperation(std::string source, std::string destination, bool isToExternalFolder)
        : MoveOperation(std::move(source), std::move(destination)), m_bIsToExternalFolder(isToExternalFolder) {}
    bool isToExternalFolder() const { return m_bIsToExternalFolder; }

private:
    bool m_bIsToExternalFolder;
};
