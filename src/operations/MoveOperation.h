// Moves the source to the destination through the platform's FileTransfer (across file systems a copy
// and a removal). Any one thread at a time.
#pragma once

#include "operations/FileOperation.h"
#include "platform/FileTransfer.h"

class MoveOperation : public FileOperation {
public:
    using FileOperation::FileOperation;
    FileOperationAction action() const override { return FileOperationAction::Move; }
    OperationImplementability checkImplementability() const override {
        return OperationImplementability::forMove(source(), destination());
    }

protected:
    Status performOperation() override { return FileTransfer::standard().moveNoReplace(source(), destination()); }
};
