// The questions and messages of a removal run: the permanent-removal confirmation, one question or
// explanation per failure group, and the final not-removed report. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class DefaultRemoverErrorGroup;

struct RemoveAlert {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;  // the default button first
    std::string helpTopic;             // the help-address provider's name for "Read More"; may be empty
    bool asksConfirmation = false;     // "Confirm" starts a helper; otherwise the alert only explains
};

class RemoveAlertTexts {
public:
    RemoveAlertTexts() = delete;

    static RemoveAlert permanentRemovalConfirmation(std::uint64_t countOfItems);
    static const char* permanentRemovalSuppressionText() { return "Don't show this message again"; }
    // The question (or explanation) for a failure group; the not-removed group gives the final report.
    static RemoveAlert alertForGroup(const DefaultRemoverErrorGroup& group);
    // A helper remover ran nothing: its script could not be written or run, or the administrator
    // rights it asked for were refused.
    static RemoveAlert helperNotAllowed();
    // The explanation behind an alert's "Read More", in a few sentences; empty for an unknown topic.
    static std::string readMoreText(const std::string& topic);
};
