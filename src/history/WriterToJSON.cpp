#include "history/WriterToJSON.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdio>

#include "history/EncapsulatedWriterToJSON.h"
#include "history/JArray.h"
#include "history/JObject.h"
#include "history/JSONEscape.h"
#include "history/JTextValue.h"

std::string escapeForJSON(const std::string& given) {
    // A file name need not be UTF-8, a JSON text must be: bytes that are not become U+FFFD, so the log
    // stays readable; the log's path members carry the exact bytes beside (history/PathBytes.h).
    const QByteArray asUtf8 = QString::fromUtf8(given.data(), static_cast<qsizetype>(given.size())).toUtf8();
    const std::string text = asUtf8.size() == static_cast<qsizetype>(given.size()) &&
                                     std::equal(given.begin(), given.end(), asUtf8.begin())
                                 ? given
                                 : asUtf8.toStdString();
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '/': out += "\\/"; break;
            case '\n': out += "\\n"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

void WriterToJSON::writeValue(const std::shared_ptr<JValue>& value, const WriteCommand& command) {
    EncapsulatedWriterToJSON writer;
    writer.indentation = indentation;
    writer.writeValue(value, command);
}

void EncapsulatedWriterToJSON::writeValue(const std::shared_ptr<JValue>& value, const WriteCommand& command) {
    write = command;
    linePrefix.clear();
    if (write) writeValue(value);
}

void EncapsulatedWriterToJSON::writeValue(const std::shared_ptr<JValue>& value) {
    if (auto object = JValue::asObject(value)) {
        writeObject(*object);
    } else if (auto array = JValue::asArray(value)) {
        writeArray(*array);
    } else if (auto text = JValue::asTextValue(value)) {
        writeText(text->text);
    }
}

void EncapsulatedWriterToJSON::writeObject(const JObject& object) {
    write("{");
    const std::string saved = incrementLinePrefix();
    writeNewLine();
    bool first = true;
    for (const std::string& key : object.sortedKeys()) {
        const auto value = object.valueForKey(key);
        if (!value) continue;
        if (!first) {
            write(",");
            writeNewLine();
        }
        first = false;
        writeText(key);
        write(": ");
        writeValue(value);
    }
    linePrefix = saved;
    if (!first) writeNewLine();
    write("}");
}

void EncapsulatedWriterToJSON::writeArray(const JArray& array) {
    write("[");
    const std::string saved = incrementLinePrefix();
    writeNewLine();
    bool first = true;
    for (const auto& element : array.content) {
        if (!first) {
            write(",");
            writeNewLine();
        }
        first = false;
        writeValue(element);
    }
    linePrefix = saved;
    if (!first) writeNewLine();
    write("]");
}

void EncapsulatedWriterToJSON::writeText(const std::string& text) { write("\"" + escapeForJSON(text) + "\""); }

std::string EncapsulatedWriterToJSON::incrementLinePrefix() {
    std::string saved = linePrefix;
    linePrefix += indentation;
    return saved;
}

void EncapsulatedWriterToJSON::writeNewLine() { write("\n" + linePrefix); }
