#include "history/RemoveDate.h"

#include <QDateTime>
#include <QTimeZone>

#include <cctype>
#include <cstdlib>
#include <regex>

namespace {
QDateTime local(std::int64_t seconds) { return QDateTime::fromSecsSinceEpoch(seconds).toLocalTime(); }

std::string formatted(std::int64_t seconds, const char* timeFormat) {
    const QDateTime date = local(seconds);
    return date.toString(QStringLiteral("yyyy-MM-dd ") + QString::fromLatin1(timeFormat)).toStdString() + " " +
           remove_date::zoneText(date.offsetFromUtc());
}

struct Abbreviation {
    const char* name;
    int hours;
};
constexpr Abbreviation kAbbreviations[] = {
    {"PST", -8}, {"PDT", -7}, {"MST", -7}, {"MDT", -6}, {"CST", -6}, {"CDT", -5}, {"EST", -5},
    {"EDT", -4}, {"CET", 1},  {"CEST", 2}, {"EET", 2},  {"EEST", 3}, {"BST", 1},  {"MSK", 3},
    {"JST", 9},  {"WET", 0},  {"WEST", 1},
};
}  // namespace

namespace remove_date {
std::string stringWithDate(std::int64_t seconds) { return formatted(seconds, "HH:mm:ss"); }

std::string removeDateToString(std::int64_t seconds) { return formatted(seconds, "HH.mm.ss"); }

const std::vector<std::string>& possibleDateFormattersStrings() {
    static const std::vector<std::string> formats = {"yyyy-MM-dd HH:mm:ss z", "yyyy-MM-dd HH.mm.ss z",
                                                     "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH.mm.ss"};
    return formats;
}

std::string zoneText(int offsetSeconds) {
    if (offsetSeconds == 0) return "GMT";
    const char sign = offsetSeconds < 0 ? '-' : '+';
    const int absolute = std::abs(offsetSeconds);
    const int hours = absolute / 3600;
    const int minutes = (absolute % 3600) / 60;
    std::string text = "GMT" + std::string(1, sign) + std::to_string(hours);
    if (minutes) text += (minutes < 10 ? ":0" : ":") + std::to_string(minutes);
    return text;
}

std::optional<int> zoneOffsetFromText(const std::string& text) {
    static const std::regex offsetPattern(R"(^(?:GMT|UTC|Z)?(?:([+-])(\d{1,2})(?::?(\d{2}))?)?$)");
    std::smatch m;
    if (!text.empty() && std::regex_match(text, m, offsetPattern)) {
        if (!m[1].matched) return (text == "GMT" || text == "UTC" || text == "Z") ? std::optional<int>(0) : std::nullopt;
        const int hours = std::stoi(m[2].str());
        const int minutes = m[3].matched ? std::stoi(m[3].str()) : 0;
        if (hours > 18 || minutes > 59) return std::nullopt;
        const int offset = hours * 3600 + minutes * 60;
        return m[1].str() == "-" ? -offset : offset;
    }
    for (const auto& a : kAbbreviations)
        if (text == a.name) return a.hours * 3600;
    return std::nullopt;
}

std::optional<std::int64_t> removeDateFromString(const std::string& text) {
    // The four formats differ only in the time separator and in the zone being present; one pattern
    // with a single separator for the whole time tries them in their order.
    static const std::regex pattern(R"(^(\d{4})-(\d{2})-(\d{2}) (\d{2})([:.])(\d{2})\5(\d{2})(?: (\S+))?$)");
    std::smatch m;
    if (!std::regex_match(text, m, pattern)) return std::nullopt;
    const QDate date(std::stoi(m[1].str()), std::stoi(m[2].str()), std::stoi(m[3].str()));
    const QTime time(std::stoi(m[4].str()), std::stoi(m[6].str()), std::stoi(m[7].str()));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    if (!m[8].matched) return QDateTime(date, time).toSecsSinceEpoch();  // local time
    const auto offset = zoneOffsetFromText(m[8].str());
    if (!offset) return std::nullopt;
    return QDateTime(date, time, QTimeZone(*offset)).toSecsSinceEpoch();
}

std::string dayText(std::int64_t seconds) { return local(seconds).toString(QStringLiteral("yyyy-MM-dd")).toStdString(); }

std::string timeText(std::int64_t seconds) { return local(seconds).toString(QStringLiteral("HH:mm:ss")).toStdString(); }
}  // namespace remove_date
