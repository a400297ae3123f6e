#include "operations/ComplexOperationInfo.h"

std::string ComplexOperationInfo::progressTitle() const {
    switch (m_eMainAction) {
        case MainAction::Copy: return "Copying";
        case MainAction::Move: return "Moving";
        case MainAction::Restore: return "Restoring";
    }
    return "";
}

std::string ComplexOperationInfo::failureTitle() const {
    std::string verb;
    switch (m_eMainAction) {
        case MainAction::Copy: verb = "copy"; break;
        case MainAction::Move: verb = "move"; break;
        case MainAction::Restore: verb = "restore"; break;
    }
    std::string what;
    if (m_nCountOfSubOperations > 1)
        what = std::to_string(m_nCountOfSubOperations) + " files";
    else
        what = m_eSource == Source::OneFolder ? "folder" : m_eSource == Source::OneFile ? "file" : "item";
    return "Cannot " + verb + " " + what;
}
