// The check made just before a copy is removed: the copy must still have the size the scan saw and
// the modification time recorded when the run was built, and its whole content must equal that of a
// copy of its group that stays. Built on the main thread from the remove list (which records the
// data); check() is then called on the remove queues, any number at once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class DuplicateItem;

class RemovalSafetyCheck {
public:
    enum class Verdict { Unchanged, Gone, Changed };
    struct Result {
        Verdict verdict = Verdict::Unchanged;
        std::string reason;  // for Changed: what differs, in words
    };

    // Records, per copy of the list: its path, the scan's size, the modification time (through
    // DuplicateItem::getLastModificationDate, read once and cached there, and read again by the
    // removal history for the same copies) and the paths of the copies of its group that stay.
    explicit RemovalSafetyCheck(const std::vector<std::shared_ptr<DuplicateItem>>& removeList);
    RemovalSafetyCheck(const RemovalSafetyCheck&) = delete;
    RemovalSafetyCheck& operator=(const RemovalSafetyCheck&) = delete;

    // A copy that is not in the list passes.
    Result check(const DuplicateItem* item);

    // Whether two folders hold the same names, kinds and file contents, all the way down.
    static bool folderContentsEqual(const std::string& a, const std::string& b);

private:
    struct Record {
        std::string path;
        std::int64_t size = 0;
        std::int64_t modificationSeconds = 0;
        bool isDirectory = false;
        std::vector<std::string> keptPaths;  // the group's copies outside the remove list
    };
    Result checkFile(const Record& record);
    Result checkFolder(const Record& record);
    // The whole-file digest of a copy that stays, computed once per path; nullopt when it cannot be
    // read or no longer has the expected size.
    std::optional<std::string> keptDigest(const std::string& path, std::int64_t expectedSize);

    std::unordered_map<const DuplicateItem*, Record> m_records;  // read-only after construction
    std::mutex m_digestMutex;
    std::unordered_map<std::string, std::optional<std::string>> m_keptDigests;  // guarded by m_digestMutex
};
