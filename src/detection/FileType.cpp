#include "detection/FileType.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <map>
#include <mutex>
#include <string>

#include "detection/UMUTITypeCache.h"
#include "platform/MimeTypes.h"

// The resources are compiled into the static core library, whose registration object nothing else
// refers to: without this call the linker leaves it out and the table reads as empty.
static void registerCoreResources() { Q_INIT_RESOURCE(resources); }

namespace {
constexpr std::array<std::string_view, kFileTypeCount> kKeys = {"image",    "video", "music", "document",
                                                                "archieve", "other", "folder"};

// Types that count as documents although their names do not say so ("content" in the wide sense).
bool isDocumentType(const MimeTypeInfo& t) {
    if (t.hasPrefix("text/")) return true;
    static const std::array<std::string_view, 14> documents = {
        "application/pdf",        "application/postscript",   "application/rtf",         "application/msword",
        "application/vnd.ms-excel", "application/vnd.ms-powerpoint", "application/epub+zip",
        "application/x-mobipocket-ebook", "application/vnd.amazon.ebook", "image/vnd.djvu",
        "application/xml",        "application/json",         "application/x-tex",       "application/x-fictionbook+xml"};
    for (auto d : documents)
        if (t.inherits(d)) return true;
    return t.hasPrefix("application/vnd.openxmlformats-officedocument") ||
           t.hasPrefix("application/vnd.oasis.opendocument") || t.hasPrefix("application/vnd.ms-word") ||
           t.hasPrefix("application/vnd.ms-excel") || t.hasPrefix("application/vnd.ms-powerpoint") ||
           t.hasPrefix("application/vnd.apple.") || t.hasPrefix("application/x-iwork");
}

bool isArchiveType(const MimeTypeInfo& t) {
    static const std::array<std::string_view, 24> archives = {
        "application/zip",         "application/x-tar",        "application/gzip",
        "application/x-bzip",      "application/x-bzip2",      "application/x-bzip2-compressed-tar",
        "application/x-xz",        "application/zstd",         "application/x-zstd-compressed-tar",
        "application/x-7z-compressed", "application/vnd.rar",  "application/x-rar",
        "application/x-cpio",      "application/vnd.debian.binary-package", "application/x-rpm",
        "application/x-cd-image",  "application/x-iso9660-image", "application/x-compressed-tar",
        "application/x-xz-compressed-tar", "application/x-lzma", "application/x-lz4",
        "application/x-archive",   "application/x-java-archive", "application/x-apple-diskimage"};
    for (auto a : archives)
        if (t.inherits(a)) return true;
    return false;
}

// The conformance order: image, movie, audio, content, archive, data.
FileType classifyMimeType(const MimeTypeInfo& t) {
    if (t.hasPrefix("image/") && t.name != "image/vnd.djvu") return FileTypeImage;
    if (t.hasPrefix("video/")) return FileTypeVideo;
    if (t.hasPrefix("audio/")) return FileTypeMusic;
    if (isDocumentType(t)) return FileTypeDocument;
    if (isArchiveType(t)) return FileTypeArchive;
    return FileTypeDocument;  // any other known type is data, which counts as a document
}

const std::map<std::string, std::string, std::less<>>& dynamicTypes() {
    static const std::map<std::string, std::string, std::less<>> table = [] {
        std::map<std::string, std::string, std::less<>> t;
        registerCoreResources();
        QFile file(QStringLiteral(":/UTIDynamicTypes.json"));
        if (!file.open(QIODevice::ReadOnly)) return t;
        const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
        for (auto it = object.begin(); it != object.end(); ++it)
            t.emplace(it.key().toStdString(), it.value().toString().toStdString());
        return t;
    }();
    return table;
}

FileType classifyExtension(std::string_view extension) {
    if (auto type = mime_types::typeForExtension(extension)) return classifyMimeType(*type);
    const auto& table = dynamicTypes();
    auto it = table.find(extension);
    if (it == table.end()) {
        // The table is written in lower case; the database also matches names regardless of case.
        std::string lower(extension);
        for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        it = table.find(lower);
        if (it == table.end()) return FileTypeOther;
    }
    return fileTypeFromKey(it->second);
}
}  // namespace

std::string_view fileTypeKey(std::int32_t type) {
    if (type < 0 || type >= kFileTypeCount) return "unknown";
    return kKeys[static_cast<std::size_t>(type)];
}

FileType fileTypeFromKey(std::string_view key) {
    for (int i = 0; i < kFileTypeCount; ++i)
        if (kKeys[static_cast<std::size_t>(i)] == key) return static_cast<FileType>(i);
    return FileTypeUnknown;
}

std::string_view pathExtension(std::string_view nameOrPath) {
    auto slash = nameOrPath.rfind('/');
    std::string_view name = slash == std::string_view::npos ? nameOrPath : nameOrPath.substr(slash + 1);
    auto dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension (".bashrc" has none).
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

FileType typeOfFileAtPath(std::string_view nameOrPath) {
    std::string_view extension = pathExtension(nameOrPath);
    if (extension.empty()) return FileTypeOther;
    auto& cache = UMUTITypeCache::cache();
    FileType cached = cache.fileTypeIdentifierWithExtension(extension);
    if (cached != FileTypeUnknown) return cached;
    FileType type = classifyExtension(extension);
    cache.setUTIType(type, extension);
    return type;
}
