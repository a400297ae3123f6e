#include "history/WritableLog.h"

#include <cerrno>

#include "history/WritableLogDelegate.h"
#include "history/WriteProvider.h"

void WritableLog::save() {
    const auto provider = m_pDelegate ? m_pDelegate->generateWriteProviderForLog(*this) : nullptr;
    const auto writer = m_pDelegate ? m_pDelegate->generateWriterForLog(*this) : nullptr;
    std::shared_ptr<Log> self = shared_from_this();
    modify([this, self, provider, writer, delegate = m_pDelegate](const std::shared_ptr<JObject>& root) {
        if (!provider || !writer) {
            setOutcome(LogWriteOutcome::failed(Status::fromErrno(ENOENT, "no destination for the log")));
            return;
        }
        const std::shared_ptr<JValue> prepared = delegate->prepareForWriteRootObject(root, *self);
        if (!prepared) {
            setOutcome({});
            return;
        }
        setOutcome(provider->provideWriteCommandForObject(prepared, *self, [&](const WriteCommand& command) {
            writer->writeValue(prepared, command);
        }));
    });
}

LogWriteOutcome WritableLog::saveOutcome() {
    waitUntilIdle();
    std::lock_guard lock(m_outcomeMutex);
    return m_outcome;
}

void WritableLog::setOutcome(LogWriteOutcome outcome) {
    std::lock_guard lock(m_outcomeMutex);
    m_outcome = std::move(outcome);
}
