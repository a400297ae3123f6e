// Runs one FileSeparator over a list of files and adds every set of two or more identical files to a
// container as a group of the kind of its files. separateItems and stop may be called from any
// thread; the groups are added and the listener is called on the queue "fileseparator.working".
#pragma once

#include <memory>
#include <vector>

#include "detection/FileSeparatorForContainerListener.h"
#include "detection/FileSeparatorListener.h"

class DuplicatesContainer;
class FileSeparator;
class FileSystemItem;

class FileSeparatorForContainer : public FileSeparatorListener,
                                  public std::enable_shared_from_this<FileSeparatorForContainer> {
public:
    static std::shared_ptr<FileSeparatorForContainer> create();
    ~FileSeparatorForContainer() override;
    FileSeparatorForContainer(const FileSeparatorForContainer&) = delete;
    FileSeparatorForContainer& operator=(const FileSeparatorForContainer&) = delete;

    // Keeps the container until the end and the listener weakly; starts a new FileSeparator.
    void separateItems(std::vector<FileSystemItem*> items, std::shared_ptr<DuplicatesContainer> container,
                       std::weak_ptr<FileSeparatorForContainerListener> listener);
    // Stops the running separator, if any; the listener still gets its one call (empty result).
    void stop();

    // FileSeparatorListener.
    void onFinishSeparateItemsByHash(FileItemsByHash result) override;

private:
    FileSeparatorForContainer();

    void stopOnWorkingQueue();

    // Working queue only (separateItems hands them over there).
    std::weak_ptr<FileSeparatorForContainerListener> m_pListener;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::shared_ptr<FileSeparator> m_pSeparator;
};
