// The check made at the moment each copy is removed: the copy is still what the scan saw, and a
// member of its group that stays is present, is another file (not a name of the same one) and holds
// the same content, read now. Built on the main thread from the remove list; check() is then called
// on the remove queues, any number at once. It keeps nothing from one call to the next.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class DuplicateItem;
class FolderHandle;
struct FileAttributes;

class RemovalSafetyCheck {
public:
    enum class Verdict { Unchanged, Gone, Changed };
    struct Result {
        Verdict verdict = Verdict::Unchanged;
        std::string reason;  // for Changed: what differs, in words
    };

    // Records, per copy of the list: its path, the scan's size, the modification time (through
    // DuplicateItem::getLastModificationDate, read once and cached there, and read again by the
    // removal history for the same copies) and the paths of the members of its group that stay
    // (not in the list, nor inside a folder of the list).
    explicit RemovalSafetyCheck(const std::vector<std::shared_ptr<DuplicateItem>>& removeList);
    RemovalSafetyCheck(const RemovalSafetyCheck&) = delete;
    RemovalSafetyCheck& operator=(const RemovalSafetyCheck&) = delete;

    // Checks the copy, entry `name` of its folder `parent` (opened by the caller without following a
    // link, and used for the removal itself). On Unchanged, `copy` holds the copy's attributes as read.
    // A copy that is not in the list is Changed: nothing unknown is removed.
    Result check(const DuplicateItem* item, const FolderHandle& parent, const std::string& name, FileAttributes& copy);

private:
    struct Record {
        std::string path;
        std::int64_t size = 0;
        std::int64_t modificationSeconds = 0;
        bool isDirectory = false;
        std::vector<std::string> keptPaths;
    };
    static Result checkFile(const Record& record, const FolderHandle& parent, const std::string& name,
                            const FileAttributes& copy);
    static Result checkFolder(const Record& record, const FolderHandle& parent, const std::string& name,
                              const FileAttributes& copy);

    std::unordered_map<const DuplicateItem*, Record> m_records;  // read-only after construction
};
