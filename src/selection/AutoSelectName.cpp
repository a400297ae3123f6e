#include "selection/AutoSelectName.h"

#include <QString>

#include <algorithm>
#include <charconv>

#include "detection/FileType.h"
#include "scan/FileSystemItem.h"

namespace {

std::string toFormD(const char* text) {
    return QString::fromUtf8(text).normalized(QString::NormalizationForm_D).toStdString();
}

std::vector<std::string> toFormD(std::initializer_list<const char*> texts) {
    std::vector<std::string> out;
    out.reserve(texts.size());
    for (const char* text : texts) out.push_back(toFormD(text));
    return out;
}

// The copy marks file managers add in the languages they speak, held in normalisation form D because
// names are compared in that form. Built once, read-only afterwards (safe from any thread).
struct CopyTags {
    std::vector<std::string> atEnd = toFormD({
        " copy", " копия", " (kopie)", " kopie", " (kópia)", " kópia", " (สำเนา)", " สำเนา", " - copie",
        " - עותק", " עותק", " copia", " còpia", "-cópia", " kopi", " kopia", " kopija", " kopio", " kopya",
        " másolat", " salin", " 拷貝", " копія", " のコピー", " 복사본", " αντίγραφο", "-kopia", "副本", " نسخة",
    });
    std::vector<std::string> atBeginning = toFormD({
        "copy of ", "copy ", "копия ", "bản sao ", "cópia de ", "salinan ", "نسخة ",
    });
    std::vector<std::string> standalone = toFormD({
        "copy", "копия", "(kopie)", "kopie", "(kópia)", "kópia", "(สำเนา)", "สำเนา", "- copie", "copie",
        "- עותק", "עותק", "copia", "còpia", "kopi", "kopia", "kopija", "kopio", "kopya", "másolat", "salin",
        "拷貝", "копія", "のコピー", "복사본", "αντίγραφο", "-kopia", "副本", "نسخة", "bản sao", "cópia de",
        "salinan",
    });
    std::string copyOfWhole = "copy of";
    std::string kopieOpen = " (kopie ";
    std::string kopiaOpen = toFormD(" (kópia ");
    std::string closingParenthesis = ")";
    std::string copiaOpen = toFormD("cópia ");
    std::string deClose = " de ";
    std::string deEnd = " de";
};

const CopyTags& tags() {
    static const CopyTags table;
    return table;
}

std::string_view textOf(std::string_view text, const AutoSelectName::Range& range) {
    return text.substr(range.location, range.length);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---- Building ----

AutoSelectName AutoSelectName::buildAutoSelectNameForFileItem(FileSystemItem& item) {
    std::string_view name = item.name();
    if (!item.isDir() || item.isPackage()) {
        std::string_view extension = pathExtension(name);
        if (!extension.empty()) name.remove_suffix(extension.size() + 1);
    }
    return buildAutoSelectNameForName(name, nullptr);
}

AutoSelectName AutoSelectName::buildAutoSelectNameForName(std::string_view name, AutoSelectItem* userData) {
    AutoSelectName result;
    result.m_pUserData = userData;
    std::string prepared = lowerCaseForComparison(name);
    result.m_sCoreName = calculateOriginalNameOfNameWithCopyPower(prepared, &result.m_nCopyPower,
                                                                  &result.m_arrCopyNumbers);
    if (result.m_arrCopyNumbers.size() >= 2) std::sort(result.m_arrCopyNumbers.begin(), result.m_arrCopyNumbers.end());
    return result;
}

std::string AutoSelectName::lowerCaseForComparison(std::string_view name) {
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        std::string lower(name);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return lower;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toLower()
        .normalized(QString::NormalizationForm_D)
        .toStdString();
}

// ---- Core-name analysis ----

std::string AutoSelectName::calculateOriginalNameOfNameWithCopyPower(std::string_view name, std::int64_t* copyPower,
                                                                     std::vector<std::int64_t>* numbers) {
    Range range{0, name.size()};
    std::int64_t power = 0;
    for (bool inSuffix : {true, false}) {
        while (range.length > 0) {
            std::optional<std::int64_t> number;
            if (findCopyTagLenInSuffix(inSuffix, name, range, &number) > 0) {
                ++power;
            } else {
                number = findNumber(inSuffix, name, range);
                if (!number) break;
            }
            if (number && numbers) {
                ++power;
                numbers->push_back(*number);
            }
        }
    }
    std::string core(textOf(name, range));
    std::optional<std::int64_t> number;
    if (isNameIsCopy(core, &number)) {
        core.clear();
        ++power;
        if (number) {
            ++power;
            if (numbers) numbers->push_back(*number);
        }
    } else if (auto whole = parseStringWithNumber(core)) {
        core.clear();
        ++power;
        if (numbers) numbers->push_back(*whole);
    }
    if (copyPower) *copyPower = power;
    return core;
}

std::string AutoSelectName::calculateOriginalNameOfNameIsNameAlreadyInLowerCase(std::string_view name,
                                                                                bool isNameAlreadyInLowerCase) {
    if (isNameAlreadyInLowerCase) return calculateOriginalNameOfNameWithCopyPower(name, nullptr, nullptr);
    return calculateOriginalNameOfNameWithCopyPower(lowerCaseForComparison(name), nullptr, nullptr);
}

bool AutoSelectName::isNameIsCopy(std::string_view coreName, std::optional<std::int64_t>* number) {
    const CopyTags& t = tags();
    if (std::find(t.standalone.begin(), t.standalone.end(), coreName) != t.standalone.end()) return true;
    if (coreName.starts_with(t.copiaOpen) && coreName.ends_with(t.deEnd)) {
        // "cópia N de" as the whole name: the opening, digits only, the closing.
        std::size_t i = t.copiaOpen.size();
        std::size_t digitsEnd = coreName.size() - t.deEnd.size();
        if (i > digitsEnd) return false;
        for (std::size_t k = i; k < digitsEnd; ++k)
            if (!isDigit(coreName[k])) return false;
        if (number && digitsEnd > i) *number = parseNumber(coreName.substr(i, digitsEnd - i));
        return true;
    }
    return false;
}

std::size_t AutoSelectName::findCopyTagLenInSuffix(bool inSuffix, std::string_view text, Range& range,
                                                   std::optional<std::int64_t>* number) {
    const CopyTags& t = tags();
    std::string_view part = textOf(text, range);
    std::size_t length = 0;
    if (inSuffix) {
        for (const auto& tag : t.atEnd)
            if (part.ends_with(tag)) {
                length = tag.size();
                break;
            }
        if (length == 0 && part.ends_with(')')) {
            length = findCopyPatternLen(t.kopieOpen, t.closingParenthesis, true, text, range, number);
            if (length == 0) length = findCopyPatternLen(t.kopiaOpen, t.closingParenthesis, true, text, range, number);
        }
        range.length -= length;
        return length;
    }
    if (part == t.copyOfWhole) {
        length = part.size();
    } else {
        for (const auto& tag : t.atBeginning)
            if (part.starts_with(tag)) {
                length = tag.size();
                break;
            }
        if (length == 0 && part.starts_with(t.copiaOpen))
            length = findCopyPatternLen(t.copiaOpen, t.deClose, false, text, range, number);
    }
    range.location += length;
    range.length -= length;
    return length;
}

std::size_t AutoSelectName::findCopyPatternLen(std::string_view before, std::string_view after, bool inSuffix,
                                               std::string_view text, const Range& range,
                                               std::optional<std::int64_t>* number) {
    // The pattern is the opening text, any run of ASCII digits, the closing text, anchored at the end
    // (or the beginning) of the range.
    std::string_view part = textOf(text, range);
    std::size_t digitsBegin = 0;
    std::size_t digitsEnd = 0;
    if (inSuffix) {
        if (!part.ends_with(after)) return 0;
        digitsEnd = part.size() - after.size();
        digitsBegin = digitsEnd;
        while (digitsBegin > 0 && isDigit(part[digitsBegin - 1])) --digitsBegin;
        if (!part.substr(0, digitsBegin).ends_with(before)) return 0;
        const std::size_t match = part.size() - (digitsBegin - before.size());
        if (number && digitsEnd > digitsBegin) *number = parseNumber(part.substr(digitsBegin, digitsEnd - digitsBegin));
        return match;
    }
    if (!part.starts_with(before)) return 0;
    digitsBegin = before.size();
    digitsEnd = digitsBegin;
    while (digitsEnd < part.size() && isDigit(part[digitsEnd])) ++digitsEnd;
    if (!part.substr(digitsEnd).starts_with(after)) return 0;
    if (number && digitsEnd > digitsBegin) *number = parseNumber(part.substr(digitsBegin, digitsEnd - digitsBegin));
    return digitsEnd + after.size();
}

std::optional<std::int64_t> AutoSelectName::findNumber(bool inSuffix, std::string_view text, Range& range) {
    std::string_view part = textOf(text, range);
    if (inSuffix) {
        const std::size_t blank = part.rfind(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        auto number = parseStringWithNumber(part.substr(blank + 1));
        if (number) range.length = blank;
        return number;
    }
    const std::size_t blank = part.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    auto number = parseStringWithNumber(part.substr(0, blank));
    if (number) {
        range.location += blank + 1;
        range.length -= blank + 1;
    }
    return number;
}

bool AutoSelectName::isHasCopyTagInSuffix(bool inSuffix, std::string_view text, const Range& range,
                                          std::optional<std::int64_t>* number) {
    Range probe = range;
    return findCopyTagLenInSuffix(inSuffix, text, probe, number) > 0;
}

std::optional<std::int64_t> AutoSelectName::parseStringWithNumber(std::string_view text) {
    while (text.size() >= 3 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    return parseNumber(text);
}

std::optional<std::int64_t> AutoSelectName::parseNumber(std::string_view text) {
    // A number only when printing the value back ("%ld") gives exactly the text: no sign but "-", no
    // leading zeros, no grouping, no fraction, nothing out of range.
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    char printed[24];
    auto [printedEnd, printError] = std::to_chars(printed, printed + sizeof printed, value);
    if (printError != std::errc() || std::string_view(printed, static_cast<std::size_t>(printedEnd - printed)) != text)
        return std::nullopt;
    return value;
}

// ---- Rank ----

int AutoSelectName::compareWithSelectName(const AutoSelectName& other) const {
    if (int c = compareNumber(m_nCopyPower, other.m_nCopyPower)) return c;
    const std::size_t common = std::min(m_arrCopyNumbers.size(), other.m_arrCopyNumbers.size());
    for (std::size_t i = 0; i < common; ++i)
        if (int c = compareNumber(m_arrCopyNumbers[i], other.m_arrCopyNumbers[i])) return c;
    return compareNumber(static_cast<std::int64_t>(m_arrCopyNumbers.size()),
                         static_cast<std::int64_t>(other.m_arrCopyNumbers.size()));
}

int AutoSelectName::compareNumber(std::int64_t number, std::int64_t otherNumber) {
    return number < otherNumber ? -1 : (number > otherNumber ? 1 : 0);
}
