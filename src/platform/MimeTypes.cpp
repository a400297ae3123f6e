#include "platform/MimeTypes.h"

#include <QMimeDatabase>

bool MimeTypeInfo::inherits(std::string_view type) const {
    if (name == type) return true;
    for (const auto& a : ancestors)
        if (a == type) return true;
    return false;
}

bool MimeTypeInfo::hasPrefix(std::string_view prefix) const {
    if (name.starts_with(prefix)) return true;
    for (const auto& a : ancestors)
        if (a.starts_with(prefix)) return true;
    return false;
}

namespace mime_types {
void loadDatabase() {
    QMimeDatabase db;
    db.mimeTypesForFileName(QStringLiteral("x.txt"));
}

std::optional<MimeTypeInfo> typeForExtension(std::string_view extension) {
    if (extension.empty()) return std::nullopt;
    QMimeDatabase db;
    const QString fileName = QStringLiteral("x.") + QString::fromUtf8(extension.data(), static_cast<int>(extension.size()));
    const QList<QMimeType> types = db.mimeTypesForFileName(fileName);
    if (types.isEmpty()) return std::nullopt;
    const QMimeType& type = types.first();
    MimeTypeInfo info;
    info.name = type.name().toStdString();
    for (const QString& a : type.allAncestors()) info.ancestors.push_back(a.toStdString());
    return info;
}
}  // namespace mime_types
