#include "platform/FileLabels.h"

#include <sys/xattr.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <vector>

#include "platform/ReplaceableInstance.h"

namespace {
constexpr const char* kAttribute = "user.xdg.tags";
constexpr std::array<const char*, FileLabels::kHighestLabel> kColours = {"Gray", "Green", "Purple", "Blue",
                                                                         "Yellow", "Red", "Orange"};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<std::string> splitTags(const std::string& text) {
    std::vector<std::string> tags;
    std::string current;
    for (char c : text) {
        if (c == ',') {
            if (!current.empty()) tags.push_back(current);
            current.clear();
        } else if (c != '\0') {
            current += c;
        }
    }
    if (!current.empty()) tags.push_back(current);
    return tags;
}

// The attribute's text; a missing attribute is an empty text.
Status readTags(const std::string& path, std::string& text) {
    text.clear();
    for (;;) {
        const ssize_t size = ::lgetxattr(path.c_str(), kAttribute, nullptr, 0);
        if (size < 0) return errno == ENODATA ? Status::ok() : Status::fromErrno(errno, path);
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        const ssize_t got = ::lgetxattr(path.c_str(), kAttribute, buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) continue;  // grew in between
        if (got < 0) return errno == ENODATA ? Status::ok() : Status::fromErrno(errno, path);
        text.assign(buffer.data(), static_cast<std::size_t>(got));
        return Status::ok();
    }
}

ReplaceableInstance<FileLabels, LinuxFileLabels>& instance() {
    return ReplaceableInstance<FileLabels, LinuxFileLabels>::shared();
}
}  // namespace

FileLabels& FileLabels::standard() { return instance().get(); }

void FileLabels::setStandard(std::shared_ptr<FileLabels> labels) { instance().replace(std::move(labels)); }

std::string FileLabels::colourName(int label) {
    return label >= 1 && label <= kHighestLabel ? kColours[static_cast<std::size_t>(label - 1)] : "";
}

std::optional<int> FileLabels::labelFromText(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '0' + kHighestLabel) return text[0] - '0';
    const std::string wanted = lower(text);
    if (wanted == "grey") return 1;
    for (int label = 1; label <= kHighestLabel; ++label)
        if (lower(colourName(label)) == wanted) return label;
    return std::nullopt;
}

Status LinuxFileLabels::setLabel(const std::string& path, int label) {
    const std::string colour = colourName(label);
    if (colour.empty()) return Status(StatusCode::InvalidArgument, EINVAL, path);
    std::string text;
    if (Status read = readTags(path, text); !read) return read;
    std::vector<std::string> tags = splitTags(text);
    if (std::find(tags.begin(), tags.end(), colour) != tags.end()) return Status::ok();
    tags.push_back(colour);
    std::string joined;
    for (const auto& tag : tags) joined += (joined.empty() ? "" : ",") + tag;
    if (::lsetxattr(path.c_str(), kAttribute, joined.data(), joined.size(), 0) != 0)
        return Status::fromErrno(errno, path);
    return Status::ok();
}

Status LinuxFileLabels::readLabel(const std::string& path, int& label) {
    label = 0;
    std::string text;
    if (Status read = readTags(path, text); !read) return read;
    for (const auto& tag : splitTags(text))
        for (int n = 1; n <= kHighestLabel; ++n)
            if (tag == colourName(n)) {
                label = n;
                return Status::ok();
            }
    return Status::ok();
}
