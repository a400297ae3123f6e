// Mounted volumes from /proc/self/mountinfo: which volume holds a path, which mount points hold real
// file systems, and a volume's size. Reads the mount table on each call; thread-safe.
// Volumes::standard() may be replaced in tests (a fake read-only or network volume).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct VolumeInfo {
    std::string mountPoint;
    std::string fileSystemType;  // "ext4", "nfs4", "fuse.sshfs" …
    std::string source;          // the mounted device or share
    std::uint64_t device = 0;    // major << 32 | minor
    bool readOnly = false;
    bool local = true;
    bool isNtfs() const;
};

class Volumes {
public:
    virtual ~Volumes() = default;
    static Volumes& standard();
    static void setStandard(std::shared_ptr<Volumes> volumes);

    virtual std::vector<VolumeInfo> mountedVolumes() const = 0;  // every mount, in table order
    // The volume that holds the path: the longest mount point that is a prefix of it and has its device.
    virtual std::optional<VolumeInfo> volumeOfPath(const std::string& path) const = 0;
    // Mount points of real file systems, for the exclusion of volume system locations.
    std::vector<std::string> userVolumePaths() const;
    virtual bool sizes(const std::string& path, std::int64_t& total, std::int64_t& free) const = 0;

    static bool isPseudoFileSystem(const std::string& type);
    static bool isNetworkFileSystem(const std::string& type);
    // Parses the text of a mountinfo file; exposed for tests.
    static std::vector<VolumeInfo> parseMountInfo(const std::string& text);
};

class LinuxVolumes : public Volumes {
public:
    std::vector<VolumeInfo> mountedVolumes() const override;
    std::optional<VolumeInfo> volumeOfPath(const std::string& path) const override;
    bool sizes(const std::string& path, std::int64_t& total, std::int64_t& free) const override;
};
