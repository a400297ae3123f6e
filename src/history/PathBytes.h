// File names are bytes, a JSON text is UTF-8: a path member of the removal log whose path is not valid
// UTF-8 is written lossily (U+FFFD) and followed by a member named after it plus " bytes" holding the
// exact bytes in base64 ("original path bytes"); readers take the bytes when that member decodes, so
// older logs (without it) read as before. Pure functions; any thread.
#pragma once

#include <optional>
#include <string>

class QJsonObject;

namespace path_bytes {
bool isValidUtf8(const std::string& path);
// The name of the member that holds the exact bytes of the member `key`.
std::string bytesKey(const std::string& key);
// Standard base64, padded.
std::string encode(const std::string& path);
// Null when the text is not padded standard base64 of a non-empty path.
std::optional<std::string> decode(const std::string& text);
// The path of member `key` of a log file object: the decoded bytes member when it shows as the member's
// own text, else that text; null when the object has no such text.
std::optional<std::string> pathOf(const QJsonObject& object, const std::string& key);
}  // namespace path_bytes
