#include "operations/ComplexOperationPerformer.h"

#include <QLoggingCategory>

#include <algorithm>
#include <map>

#include "platform/Volumes.h"

namespace {
Q_LOGGING_CATEGORY(lcOperations, "dorvane.operations", QtInfoMsg)
}  // namespace

ComplexOperationPerformer::ComplexOperationPerformer(ComplexOperation operation,
                                                     ComplexOperationPerformerDelegate* delegate,
                                                     std::chrono::milliseconds progressUpdateTime)
    : m_operation(std::move(operation)),
      m_pDelegate(delegate),
      m_progressUpdateTime(progressUpdateTime),
      m_now([] { return Clock::now(); }),
      m_startDate(Clock::now()) {}

void ComplexOperationPerformer::perform() {
    if (m_bIsUsed) return;
    m_bIsUsed = true;
    m_startDate = m_now();
    m_progressLastUpdateDate = m_startDate;
    const auto& operations = m_operation.operations;
    m_statistics = {};
    m_statistics.totalCount = static_cast<std::int64_t>(operations.size());
    if (m_pDelegate) m_pDelegate->complexOperationStarted(*this);

    // Everything is asked before anything is touched.
    std::vector<OperationImplementability> checks;
    checks.reserve(operations.size());
    std::map<std::uint64_t, std::uint64_t> bytesByDevice;
    std::map<std::uint64_t, std::string> folderOfDevice;
    for (const auto& op : operations) {
        checks.push_back(op->checkImplementability());
        const auto& check = checks.back();
        m_nTotalBytes += check.sourceSize();
        if (!check.isPossible()) continue;
        bytesByDevice[check.destinationDevice()] += check.bytesOnDestination();
        folderOfDevice.emplace(check.destinationDevice(), check.destinationParent());
    }
    for (const auto& [device, bytes] : bytesByDevice) {
        std::int64_t total = 0, free = 0;
        if (bytes == 0 || !Volumes::standard().sizes(folderOfDevice[device], total, free)) continue;
        if (bytes <= static_cast<std::uint64_t>(std::max<std::int64_t>(free, 0))) continue;
        for (auto& check : checks)
            if (check.isPossible() && check.destinationDevice() == device) check.setNotEnoughFreeSpace();
    }

    for (std::size_t i = 0; i < operations.size(); ++i) {
        if (!checks[i].isPossible()) {
            operations[i]->failWithoutPerforming(checks[i].status());
            finishOne(i, false, checks[i].sourceSize());
            continue;
        }
        if (isCanceled()) {
            finishOne(i, false, checks[i].sourceSize());
            continue;
        }
        operations[i]->perform();
        finishOne(i, true, checks[i].sourceSize());
    }
    reportProgress(true);
    const auto elapsed = std::chrono::duration<double>(m_now() - m_startDate).count();
    qCDebug(lcOperations) << "FO: onFinished = " << elapsed;
    if (m_pDelegate) m_pDelegate->complexOperationFinished(*this, m_statistics);
}

void ComplexOperationPerformer::finishOne(std::size_t index, bool performed, std::uint64_t bytes) {
    const FileOperation& op = *m_operation.operations[index];
    FileOperationProgressInfo info = FileOperationProgressInfo::of(op, index);
    info.performed = performed;
    info.bytes = bytes;
    if (op.result() == FileOperationResult::Successful)
        ++m_statistics.countOfSuccessfullyPerformed;
    else if (op.result() == FileOperationResult::Failed) {
        ++m_statistics.countOfFailed;
        m_bHasErrors = true;
    } else
        ++m_statistics.countOfNotPerformed;
    m_nBytesDone += bytes;
    m_operationsProgressInfoForUpdate.push_back(std::move(info));
    reportProgress(false);
}

void ComplexOperationPerformer::reportProgress(bool forced) {
    const auto now = m_now();
    if (!forced && now - m_progressLastUpdateDate <= m_progressUpdateTime) return;
    m_progressLastUpdateDate = now;
    std::vector<FileOperationProgressInfo> done;
    done.swap(m_operationsProgressInfoForUpdate);
    if (m_pDelegate) m_pDelegate->complexOperationProgress(*this, done, m_statistics, m_nBytesDone);
}
