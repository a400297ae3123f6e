#include "detection/FileSeparatorForContainer.h"

#include "detection/FileSeparator.h"
#include "detection/FileType.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FileSystemItem.h"

FileSeparatorForContainer::FileSeparatorForContainer() = default;
FileSeparatorForContainer::~FileSeparatorForContainer() = default;

std::shared_ptr<FileSeparatorForContainer> FileSeparatorForContainer::create() {
    return std::shared_ptr<FileSeparatorForContainer>(new FileSeparatorForContainer());
}

void FileSeparatorForContainer::separateItems(std::vector<FileSystemItem*> items,
                                              std::shared_ptr<DuplicatesContainer> container,
                                              std::weak_ptr<FileSeparatorForContainerListener> listener) {
    auto separator = FileSeparator::create();
    FileSeparator::workingQueue()->async([self = shared_from_this(), separator, container = std::move(container),
                                          listener = std::move(listener)]() mutable {
        self->m_pContainer = std::move(container);
        self->m_pListener = std::move(listener);
        self->m_pSeparator = separator;
    });
    // Queued behind the task above, so the fields are set before the separator can report.
    separator->separateItems(std::move(items), weak_from_this());
}

void FileSeparatorForContainer::stop() {
    FileSeparator::workingQueue()->async([self = shared_from_this()] { self->stopOnWorkingQueue(); });
}

void FileSeparatorForContainer::stopOnWorkingQueue() {
    // Already on the working queue: a stop posted from here could come after the pass's report.
    if (m_pSeparator) m_pSeparator->stopOnWorkingQueue();
}

void FileSeparatorForContainer::onFinishSeparateItemsByHash(FileItemsByHash result) {
    m_pSeparator.reset();
    if (m_pContainer) {
        for (const auto& [key, items] : result) {
            if (items.size() < 2) continue;
            if (DuplicatesCategory* category = m_pContainer->getCategoryWithType(typeOfFileAtPath(items.front()->name())))
                category->addGroupWithItems(items);
        }
    }
    std::shared_ptr<FileSeparatorForContainerListener> listener = m_pListener.lock();
    std::shared_ptr<DuplicatesContainer> container = std::move(m_pContainer);
    m_pListener.reset();
    m_pContainer.reset();
    if (listener) listener->onFinishFileSeparator(this, std::move(result), container);
}
