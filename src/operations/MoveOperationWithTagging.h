// A move that afterwards gives its destination a colour label (1-7) through the platform's
// FileLabels; a label that cannot be set is kept in labelStatus() and does not fail the move.
// Any one thread at a time.
#pragma once

#include "operations/MoveOperation.h"
#include "platform/FileLabels.h"

class MoveOperationWithTagging : public MoveOperation {
public:
    MoveOperationWithTagging(std::string source, std::string destination, int label)
        : MoveOperation(std::move(source), std::move(destination)), m_nLabel(label) {}
    int label() const override { return m_nLabel; }

protected:
    Status performOperation() override {
        const Status done = MoveOperation::performOperation();
        if (done && m_nLabel > 0) setLabelStatus(FileLabels::standard().setLabel(destination(), m_nLabel));
        return done;
    }

private:
    int m_nLabel;
};
