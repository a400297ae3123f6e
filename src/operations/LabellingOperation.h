// A file operation (copy or move) that afterwards gives its destination a colour label (1-7) through
// the platform's FileLabels; a label that cannot be set is kept in labelStatus() and does not fail the
// operation. Any one thread at a time.
#pragma once

#include <string>
#include <utility>

#include "platform/FileLabels.h"

template <class Operation>
class LabellingOperation : public Operation {
public:
    LabellingOperation(std::string source, std::string destination, int label)
        : Operation(std::move(source), std::move(destination)), m_nLabel(label) {}
    int label() const override { return m_nLabel; }

protected:
    Status performOperation() override {
        const Status done = Operation::performOperation();
        if (done && m_nLabel > 0) this->setLabelStatus(FileLabels::standard().setLabel(this->destination(), m_nLabel));
        return done;
    }

private:
    int m_nLabel;
};
