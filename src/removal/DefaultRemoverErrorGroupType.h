// The kinds of removal failure groups and the helper remover a group offers. Plain values; any thread.
#pragma once

#include <cstdint>
#include <optional>

// In the order in which groups are offered to the user.
enum class DefaultRemoverErrorGroupType : std::uint8_t {
    ReadOnlyAccess = 0,
    LockedFiles = 1,
    HardLinkFolder = 2,
    NetworkDisk = 3,
    ReadOnlyNTFSDisk = 4,
    ReadOnlyDisk = 5,
    Unknown = 6,
    NotRemoved = 7,
};

// The helper that may retry a group: through the file manager's Trash or permanently.
enum class DefaultRemoverType : std::uint8_t { Default = 0, Permanent = 1 };

// The fixed table of helper by group type; nullopt for the groups that only explain.
inline std::optional<DefaultRemoverType> removerTypeForGroupType(DefaultRemoverErrorGroupType type) {
    switch (type) {
        case DefaultRemoverErrorGroupType::ReadOnlyAccess:
        case DefaultRemoverErrorGroupType::LockedFiles: return DefaultRemoverType::Default;
        case DefaultRemoverErrorGroupType::HardLinkFolder:
        case DefaultRemoverErrorGroupType::NetworkDisk:
        case DefaultRemoverErrorGroupType::Unknown: return DefaultRemoverType::Permanent;
        case DefaultRemoverErrorGroupType::ReadOnlyNTFSDisk:
        case DefaultRemoverErrorGroupType::ReadOnlyDisk:
        case DefaultRemoverErrorGroupType::NotRemoved: return std::nullopt;
    }
    return std::nullopt;
}

const char* groupTypeName(DefaultRemoverErrorGroupType type);
