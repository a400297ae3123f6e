// One copy or move of an entry to a destination path, performed once; afterwards `result` holds the
// outcome and a failed operation keeps the platform's Status. Any one thread at a time.
#pragma once

#include <string>

#include "operations/OperationImplementability.h"
#include "platform/Status.h"

enum class FileOperationAction { Copy, Move };
enum class FileOperationResult { Failed, Unknown, Successful };

class FileOperation {
public:
    FileOperation(std::string source, std::string destination)
        : m_sSource(std::move(source)), m_sDestination(std::move(destination)) {}
    virtual ~FileOperation() = default;

    const std::string& source() const { return m_sSource; }
    const std::string& destination() const { return m_sDestination; }
    FileOperationResult result() const { return m_eResult; }
    const Status& status() const { return m_status; }
    virtual FileOperationAction action() const = 0;
    // Asked of the file system now; nothing is touched.
    virtual OperationImplementability checkImplementability() const = 0;
    // A label the operation gives its destination after it succeeded (0: none).
    virtual int label() const { return 0; }
    // Whether that label was applied; a label that could not be set does not fail the operation.
    const Status& labelStatus() const { return m_labelStatus; }

    // Never replaces an existing destination; the parent of the destination must exist.
    FileOperationResult perform() {
        m_status = performOperation();
        m_eResult = m_status ? FileOperationResult::Successful : FileOperationResult::Failed;
        return m_eResult;
    }
    // Records a failure found before the operation was tried (it was refused, never performed).
    void failWithoutPerforming(Status why) {
        m_status = std::move(why);
        m_eResult = FileOperationResult::Failed;
    }

protected:
    virtual Status performOperation() = 0;
    void setLabelStatus(Status status) { m_labelStatus = std::move(status); }

private:
    std::string m_sSource;
    std::string m_sDestination;
    FileOperationResult m_eResult = FileOperationResult::Unknown;
    Status m_status;
    Status m_labelStatus;
};
