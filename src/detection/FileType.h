// The file kind of a name: image, video, music, document, archive, other (and folder for duplicate
// folders), with the text keys used in bucket keys and category lists. typeOfFileAtPath() may be
// called from any thread; results are cached per extension for the life of the process.
#pragma once

#include <cstdint>
#include <string_view>

enum FileType : std::int32_t {
    FileTypeUnknown = -1,
    FileTypeImage = 0,
    FileTypeVideo = 1,
    FileTypeMusic = 2,
    FileTypeDocument = 3,
    FileTypeArchive = 4,
    FileTypeOther = 5,
    FileTypeFolder = 6,
};

constexpr int kFileTypeCount = 7;

// "image", "video", "music", "document", "archieve", "other", "folder"; "unknown" for anything else.
std::string_view fileTypeKey(std::int32_t type);
// The kind whose key equals `key`, FileTypeUnknown when none does.
FileType fileTypeFromKey(std::string_view key);
// The extension of the last path component, without the dot; empty when there is none.
std::string_view pathExtension(std::string_view nameOrPath);
FileType typeOfFileAtPath(std::string_view nameOrPath);
