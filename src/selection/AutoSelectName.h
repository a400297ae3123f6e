// The analysed name of one tree node for Auto Select: the name lower-cased, with every copy tag and copy
// number removed (the core name), how many copy marks were removed (the copy power) and the copy numbers.
// Values are built on demand and never shared between threads; the class operations are pure (any thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class AutoSelectItem;
class FileSystemItem;

class AutoSelectName {
public:
    // A part of a text in bytes of UTF-8; the operations below narrow it in place. Copy tags are whole
    // characters, so a range always starts and ends on a character boundary.
    struct Range {
        std::size_t location = 0;
        std::size_t length = 0;
        std::size_t end() const { return location + length; }
    };

    // A name without analysis: the core name " " (one blank), no copy mark.
    AutoSelectName() = default;

    // The node's name (a root's last path component), without extension for a file or a package, analysed.
    static AutoSelectName buildAutoSelectNameForFileItem(FileSystemItem& item);
    static AutoSelectName buildAutoSelectNameForName(std::string_view name, AutoSelectItem* userData);

    // The text as names are compared: every letter lower-cased with the full Unicode mapping, then in
    // normalisation form D, as the copy tags are held (ASCII stays as it is apart from case).
    static std::string lowerCaseForComparison(std::string_view name);

    // `name` is already prepared (lowerCaseForComparison). Answers the core name; writes the copy power
    // when `copyPower` is given and appends the copy numbers to `numbers` when it is given.
    static std::string calculateOriginalNameOfNameWithCopyPower(std::string_view name, std::int64_t* copyPower,
                                                                std::vector<std::int64_t>* numbers);
    // The core name only; `name` is prepared first unless it is already in lower case (and form D).
    static std::string calculateOriginalNameOfNameIsNameAlreadyInLowerCase(std::string_view name,
                                                                           bool isNameAlreadyInLowerCase);

    // The whole text is a standalone copy name ("copy", "kopie", "cópia 3 de", ...); a number inside
    // it is written to `number`.
    static bool isNameIsCopy(std::string_view coreName, std::optional<std::int64_t>* number);
    // A copy tag at the end (`inSuffix`) or the beginning of the range: answers its length (0 for none)
    // and takes it off the range; a number inside a patterned tag is written to `number`.
    static std::size_t findCopyTagLenInSuffix(bool inSuffix, std::string_view text, Range& range,
                                              std::optional<std::int64_t>* number);
    // The tag `before` digits `after` at the end or the beginning of the range (without taking it off).
    static std::size_t findCopyPatternLen(std::string_view before, std::string_view after, bool inSuffix,
                                          std::string_view text, const Range& range,
                                          std::optional<std::int64_t>* number);
    // A copy number separated by a blank at the end or the beginning of the range; when there is one it
    // is answered and taken off the range with its blank.
    static std::optional<std::int64_t> findNumber(bool inSuffix, std::string_view text, Range& range);
    static bool isHasCopyTagInSuffix(bool inSuffix, std::string_view text, const Range& range,
                                     std::optional<std::int64_t>* number);
    // The text without enclosing parentheses is a decimal integer written exactly as "%ld" prints it.
    static std::optional<std::int64_t> parseStringWithNumber(std::string_view text);
    static std::optional<std::int64_t> parseNumber(std::string_view text);

    const std::string& getCoreName() const { return m_sCoreName; }
    std::int64_t getPowerOfCopy() const { return m_nCopyPower; }
    const std::vector<std::int64_t>& getCopyNumbers() const { return m_arrCopyNumbers; }
    bool isCoreItem() const { return m_nCopyPower == 0; }
    AutoSelectItem* getUserData() const { return m_pUserData; }
    void setUserData(AutoSelectItem* userData) { m_pUserData = userData; }

    // The rank: copy power, then the copy numbers pairwise, then how many there are. -1 when this name
    // is less of a copy than `other`.
    int compareWithSelectName(const AutoSelectName& other) const;
    static int compareNumber(std::int64_t number, std::int64_t otherNumber);

private:
    // Weak: the contest item this name stands for in the current contest; set by that contest only.
    AutoSelectItem* m_pUserData = nullptr;
    std::string m_sCoreName = " ";
    std::int64_t m_nCopyPower = 0;
    std::vector<std::int64_t> m_arrCopyNumbers;
};
