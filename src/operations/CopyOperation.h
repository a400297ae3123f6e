// Copies the source (a whole folder tree for a folder) to the destination through the platform's
// FileTransfer, keeping permissions and modification times. Any one thread at a time.
#pragma once

#include "operations/FileOperation.h"
#include "platform/FileTransfer.h"

class CopyOperation : public FileOperation {
public:
    using FileOperation::FileOperation;
    FileOperationAction action() const override { return FileOperationAction::Copy; }
    OperationImplementability checkImplementability() const override {
        return OperationImplementability::forCopy(source(), destination());
    }

protected:
    Status performOperation() override { return FileTransfer::standard().copyNoReplace(source(), destination()); }
};
