#include "platform/Volumes.h"

#include "platform/ReplaceableInstance.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace {

// mountinfo escapes space, tab, newline and backslash as three octal digits.
std::string unescapeMountField(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            int v = 0;
            bool ok = true;
            for (int k = 1; k <= 3; ++k) {
                char c = s[i + k];
                if (c < '0' || c > '7') { ok = false; break; }
                v = v * 8 + (c - '0');
            }
            if (ok) {
                out.push_back(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

bool isPathUnder(const std::string& path, const std::string& mountPoint) {
    if (mountPoint == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}
}  // namespace

bool VolumeInfo::isNtfs() const {
    return fileSystemType == "ntfs" || fileSystemType == "ntfs3" ||
           (fileSystemType == "fuseblk" && source.find("ntfs") != std::string::npos);
}

namespace {
ReplaceableInstance<Volumes, LinuxVolumes>& instance() { return ReplaceableInstance<Volumes, LinuxVolumes>::shared(); }
}  // namespace

Volumes& Volumes::standard() { return instance().get(); }

void Volumes::setStandard(std::shared_ptr<Volumes> volumes) { instance().replace(std::move(volumes)); }

bool Volumes::isPseudoFileSystem(const std::string& type) {
    static const std::set<std::string> pseudo = {
        "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "tracefs", "debugfs", "securityfs",
        "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "autofs", "binfmt_misc", "rpc_pipefs",
        "nsfs", "efivarfs", "selinuxfs", "overlay", "squashfs", "ramfs", "tmpfs", "fuse.gvfsd-fuse",
        "fuse.portal"};
    return pseudo.count(type) > 0;
}

bool Volumes::isNetworkFileSystem(const std::string& type) {
    static const std::set<std::string> network = {"nfs",       "nfs4",      "cifs",        "smb3",
                                                  "smbfs",     "9p",        "afs",         "ceph",
                                                  "glusterfs", "davfs",     "fuse.sshfs",  "fuse.rclone",
                                                  "fuse.s3fs", "fuse.davfs"};
    return network.count(type) > 0;
}

std::vector<VolumeInfo> Volumes::parseMountInfo(const std::string& text) {
    std::vector<VolumeInfo> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mountpoint options [optional…] - fstype source superoptions
        std::istringstream f(line);
        std::string id, parent, devno, root, mountPoint, options, field;
        if (!(f >> id >> parent >> devno >> root >> mountPoint >> options)) continue;
        while (f >> field && field != "-") {
        }
        std::string type, source, superOptions;
        f >> type >> source >> superOptions;
        VolumeInfo v;
        v.mountPoint = unescapeMountField(mountPoint);
        v.fileSystemType = type;
        v.source = unescapeMountField(source);
        unsigned major = 0, minor = 0;
        if (std::sscanf(devno.c_str(), "%u:%u", &major, &minor) == 2)
            v.device = (static_cast<std::uint64_t>(major) << 32) | minor;
        std::string opts = "," + options + ",";
        v.readOnly = opts.find(",ro,") != std::string::npos;
        v.local = !isNetworkFileSystem(type);
        out.push_back(std::move(v));
    }
    return out;
}

std::vector<std::string> Volumes::userVolumePaths() const {
    std::vector<std::string> paths;
    std::set<std::string> seen;
    for (const auto& v : mountedVolumes()) {
        if (isPseudoFileSystem(v.fileSystemType)) continue;
        if (seen.insert(v.mountPoint).second) paths.push_back(v.mountPoint);
    }
    return paths;
}

std::vector<VolumeInfo> LinuxVolumes::mountedVolumes() const {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream buffer;
    buffer << in.rdbuf();
    return parseMountInfo(buffer.str());
}

std::optional<VolumeInfo> LinuxVolumes::volumeOfPath(const std::string& path) const {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    std::uint64_t device = (static_cast<std::uint64_t>(major(st.st_dev)) << 32) | minor(st.st_dev);
    std::optional<VolumeInfo> best;
    std::optional<VolumeInfo> bestAnyDevice;
    for (auto& v : mountedVolumes()) {
        if (!isPathUnder(path, v.mountPoint)) continue;
        // Later lines of the table mount over earlier ones at the same point.
        if (!bestAnyDevice || v.mountPoint.size() >= bestAnyDevice->mountPoint.size()) bestAnyDevice = v;
        if (v.device != device) continue;
        if (!best || v.mountPoint.size() >= best->mountPoint.size()) best = v;
    }
    return best ? best : bestAnyDevice;
}

bool LinuxVolumes::sizes(const std::string& path, std::int64_t& total, std::int64_t& free) const {
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0) {
        total = free = 0;
        return false;
    }
    total = static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize);
    free = static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
    return true;
}
