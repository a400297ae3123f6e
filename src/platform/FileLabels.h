// Colour labels of files as Linux file managers keep them: the extended attribute user.xdg.tags holding
// the colour's name. Label numbers 1-7 are Gray, Green, Purple, Blue, Yellow, Red, Orange; 0 is none.
// FileLabels::standard() is the Linux implementation; tests may replace it. Thread-safe: no state.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Status.h"

class FileLabels {
public:
    static constexpr int kHighestLabel = 7;

    virtual ~FileLabels() = default;
    static FileLabels& standard();
    // Replaces the process-wide instance (tests); pass nullptr to restore the Linux one.
    static void setStandard(std::shared_ptr<FileLabels> labels);

    // "Gray" … "Orange" for 1-7, empty otherwise.
    static std::string colourName(int label);
    // The label number of a colour name (any case) or of a number 0-7 written as text.
    static std::optional<int> labelFromText(const std::string& text);

    // Adds the label's colour to the entry's tags (the entry itself: a link is never followed); other
    // tags stay. NotSupported when the file system keeps no user attributes.
    virtual Status setLabel(const std::string& path, int label) = 0;
    // The label number of the first colour among the entry's tags; 0 when it has none.
    virtual Status readLabel(const std::string& path, int& label) = 0;
};

class LinuxFileLabels : public FileLabels {
public:
    Status setLabel(const std::string& path, int label) override;
    Status readLabel(const std::string& path, int& label) override;
};
