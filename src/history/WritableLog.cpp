#include "history/WritableLog.h"

#include "history/WritableLogDelegate.h"
#include "history/WriteProvider.h"

void WritableLog::save() {
    const auto provider = m_pDelegate ? m_pDelegate->generateWriteProviderForLog(*this) : nullptr;
    const auto writer = m_pDelegate ? m_pDelegate->generateWriterForLog(*this) : nullptr;
    if (!provider || !writer) return;
    std::shared_ptr<Log> self = shared_from_this();
    modify([self, provider, writer, delegate = m_pDelegate](const std::shared_ptr<JObject>& root) {
        const std::shared_ptr<JValue> prepared = delegate->prepareForWriteRootObject(root, *self);
        if (!prepared) return;
        provider->provideWriteCommandForObject(prepared, *self, [&](const WriteCommand& command) {
            writer->writeValue(prepared, command);
        });
    });
}
