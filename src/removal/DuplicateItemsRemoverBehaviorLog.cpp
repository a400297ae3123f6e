#include "removal/DuplicateItemsRemoverBehaviorLog.h"

namespace {
std::mutex g_sharedMutex;
std::shared_ptr<DuplicateItemsRemoverBehaviorLog> g_shared;  // guarded by g_sharedMutex
// The trace is for one problem report: past this size the oldest half goes.
constexpr std::size_t kMaxContent = 1 << 20;
}  // namespace

std::shared_ptr<DuplicateItemsRemoverBehaviorLog> DuplicateItemsRemoverBehaviorLog::shared() {
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared) g_shared = std::make_shared<DuplicateItemsRemoverBehaviorLog>();
    return g_shared;
}

void DuplicateItemsRemoverBehaviorLog::setShared(std::shared_ptr<DuplicateItemsRemoverBehaviorLog> log) {
    std::lock_guard lock(g_sharedMutex);
    g_shared = std::move(log);
}

void DuplicateItemsRemoverBehaviorLog::appendLine(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_sContent += line;
    m_sContent += '\n';
    if (m_sContent.size() > kMaxContent) {
        auto cut = m_sContent.find('\n', m_sContent.size() / 2);
        m_sContent.erase(0, cut == std::string::npos ? m_sContent.size() / 2 : cut + 1);
    }
}

std::string DuplicateItemsRemoverBehaviorLog::content() const {
    std::lock_guard lock(m_mutex);
    return m_sContent;
}

void DuplicateItemsRemoverBehaviorLog::clear() {
    std::lock_guard lock(m_mutex);
    m_sContent.clear();
}
