// One copy or move of an entry to a destination path, performed once; afterwards `result` holds the
// outcome and a failed operation keeps the platform's Status. Any one thread at a time.
#pragma once

#include <string>

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

    // Never replaces an existing destination; the parent of the destination must exist.
    FileOperationResult perform() {
        m_status = performOperation();
        m_eResult = m_status ? FileOperationResult::Successful : FileOperationResult::Failed;
        return m_eResult;
    }

protected:
    virtual Status performOperation() = 0;

private:
    std::string m_sSource;
    std::string m_sDestination;
    FileOperationResult m_eResult = FileOperationResult::Unknown;
    Status m_status;
};
