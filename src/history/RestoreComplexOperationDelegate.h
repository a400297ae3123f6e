// Hears how a restore goes, file by file, on the thread that runs the operation.
#pragma once

#include <string>

#include "platform/Status.h"

class BaseRemovedItem;
class RestoreComplexOperation;

class RestoreComplexOperationDelegate {
public:
    virtual ~RestoreComplexOperationDelegate() = default;
    virtual void restoreOperationStarted(RestoreComplexOperation&) {}
    // `destination` is where the file now is; `note` names a leftover that could not be tidied
    // (the Trash's record of a file moved back), empty otherwise.
    virtual void restoreOperationSuccessfullyRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                                     const std::string& source, const std::string& destination,
                                                     const std::string& note) = 0;
    virtual void restoreOperationFailedToRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                                 const std::string& reason) = 0;
    virtual void restoreOperationFinished(RestoreComplexOperation&) {}
};
