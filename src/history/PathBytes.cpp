#include "history/PathBytes.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>

namespace path_bytes {
bool isValidUtf8(const std::string& path) {
    const QByteArray again = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())).toUtf8();
    return again.size() == static_cast<qsizetype>(path.size()) &&
           std::equal(path.begin(), path.end(), again.constBegin());
}

std::string bytesKey(const std::string& key) { return key + " bytes"; }

std::string encode(const std::string& path) {
    return QByteArray(path.data(), static_cast<qsizetype>(path.size())).toBase64().toStdString();
}

std::optional<std::string> decode(const std::string& text) {
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty()) return std::nullopt;
    return decoded.decoded.toStdString();
}

std::optional<std::string> pathOf(const QJsonObject& object, const std::string& key) {
    const QJsonValue text = object.value(QString::fromStdString(key));
    if (!text.isString()) return std::nullopt;
    const QString shown = text.toString();
    const QJsonValue bytes = object.value(QString::fromStdString(bytesKey(key)));
    // The bytes count only when they are what the text shows, so a member left over from an edited
    // path cannot send a restore elsewhere.
    if (bytes.isString())
        if (auto exact = decode(bytes.toString().toStdString()))
            if (QString::fromUtf8(exact->data(), static_cast<qsizetype>(exact->size())) == shown) return exact;
    return shown.toStdString();
}
}  // namespace path_bytes
