#include "scan/FolderScanWorkerFilesCollector.h"

FolderScanWorkerFilesCollector::FolderScanWorkerFilesCollector(
    std::weak_ptr<FolderScanWorkerFilesCollectorDelegate> delegate)
    : _delegate(std::move(delegate)) {
    _content.reserve(static_cast<std::size_t>(_minCountForUpdate));
    if (auto d = _delegate.lock()) d->onFilesCollectorCreated(this);
}

void FolderScanWorkerFilesCollector::addItem(FileSystemItem* item) {
    if (item) _content.push_back(item);
}

void FolderScanWorkerFilesCollector::updateForced(bool force) {
    if (!force && static_cast<std::int64_t>(_content.size()) < _minCountForUpdate) return;
    std::vector<FileSystemItem*> batch;
    batch.reserve(static_cast<std::size_t>(_minCountForUpdate));
    batch.swap(_content);
    if (auto d = _delegate.lock()) d->onFilesCollectorCollectFiles(this, std::move(batch));
}
