// The helper that moves the copies of a confirmed group to the user's Trash through the command
// `dorvane trash` (run through pkexec when administrator rights are needed, then told whose Trash to
// use). A copy counts as moved when it left its path and the command reported its place in the Trash,
// where it is now, with its .trashinfo record. Main thread, as its base.
#pragma once

#include <string>

#include "removal/DorvaneRemover.h"

class DorvaneToTrashRemover : public DorvaneRemover {
public:
    // `dorvaneCommand`: the path of the command-line program.
    DorvaneToTrashRemover(std::vector<std::shared_ptr<RemoveErrorInfo>> sourceErrorsInfo,
                          std::shared_ptr<RemovalSafetyCheck> check,
                          std::weak_ptr<DuplicatesStandartRemoverListener> listener, std::string dorvaneCommand);

    // The pairs "old path, path in the Trash" of the command's --print0 report.
    static std::vector<std::pair<std::string, std::string>> parseReport(const std::string& report);

protected:
    HelperScript makeScript(bool administrator, const std::string& resultsFile) const override;
    bool wantsResultsFile() const override { return true; }
    Outcome confirmRemoved(const Entry& entry, const std::string& results) const override;

private:
    std::string m_sDorvaneCommand;
};
