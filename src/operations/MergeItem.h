// One direct child of a merged folder: the scanned item (none for an entry the scan did not hold, such
// as a symbolic link), the planned action and destination name, and afterwards its result. Owned by its
// MergeFolder; used on the main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operations/FileOperation.h"
#include "operations/MergeOptions.h"
#include "platform/Status.h"

class DuplicatesGroup;
class FileSystemItem;

class MergeItem {
public:
    MergeItem(std::string name, std::string path, FileSystemItem* file, MergeItem* parent = nullptr)
        : m_sName(std::move(name)), m_sPath(std::move(path)), m_pFile(file), m_pParent(parent) {}

    const std::string& name() const { return m_sName; }
    const std::string& path() const { return m_sPath; }
    FileSystemItem* file() const { return m_pFile; }
    MergeItem* parent() const { return m_pParent; }
    // The duplicate group of the scanned item, if it is a member of one.
    DuplicatesGroup* group() const;
    bool isDirectory() const;
    std::uint64_t size() const;

    const std::optional<MergeAction>& action() const { return m_action; }
    // The name the item gets in the destination folder (its own unless that is taken).
    const std::string& destinationName() const { return m_sDestinationName; }
    void plan(MergeAction action, std::string destinationName) {
        m_action = action;
        m_sDestinationName = std::move(destinationName);
    }
    void clearAction() {
        m_action.reset();
        m_sDestinationName.clear();
        m_eResult = FileOperationResult::Unknown;
        m_error.reset();
        m_labelStatus = Status::ok();
        m_ePhase = MergeItemPhase::Planned;
    }

    MergeItemPhase phase() const { return m_ePhase; }
    void setPhase(MergeItemPhase phase) { m_ePhase = phase; }
    FileOperationResult result() const { return m_eResult; }
    const std::optional<Status>& error() const { return m_error; }
    const Status& labelStatus() const { return m_labelStatus; }
    void setResult(FileOperationResult result, const Status& status, const Status& labelStatus) {
        m_ePhase = MergeItemPhase::Done;
        m_eResult = result;
        m_labelStatus = labelStatus;
        if (result == FileOperationResult::Failed) m_error = status;
        else m_error.reset();
    }
    // The action by which an item came into being in the destination (set on results of a merge).
    const std::optional<MergeAction>& createdByAction() const { return m_createdByAction; }
    void setCreatedByAction(MergeAction action) { m_createdByAction = action; }

private:
    std::string m_sName;
    std::string m_sPath;
    FileSystemItem* m_pFile;  // weak: the scanned tree keeps it
    MergeItem* m_pParent;
    std::optional<MergeAction> m_action;
    std::string m_sDestinationName;
    MergeItemPhase m_ePhase = MergeItemPhase::Planned;
    FileOperationResult m_eResult = FileOperationResult::Unknown;
    std::optional<Status> m_error;
    Status m_labelStatus;
    std::optional<MergeAction> m_createdByAction;
};
