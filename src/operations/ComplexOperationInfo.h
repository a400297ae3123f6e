// The titles shown for a complex operation: its progress title ("Moving", "Copying", "Restoring") and
// the title of the alert when it failed ("Cannot move 3 files", "Cannot copy folder" …). Any thread.
#pragma once

#include <cstdint>
#include <string>

class ComplexOperationInfo {
public:
    enum class Source { OneFile, OneFolder, ManyItems };
    enum class MainAction { Copy, Move, Restore };

    ComplexOperationInfo(MainAction mainAction, std::int64_t countOfSubOperations, Source source)
        : m_eMainAction(mainAction), m_nCountOfSubOperations(countOfSubOperations), m_eSource(source) {}

    std::string progressTitle() const;
    std::string failureTitle() const;

private:
    MainAction m_eMainAction;
    std::int64_t m_nCountOfSubOperations;
    Source m_eSource;
};
