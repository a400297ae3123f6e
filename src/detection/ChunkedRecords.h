// An append-only array of trivially copyable records kept in chunks of kChunk, so that growing it never
// copies what it holds nor takes room twice, and whole chunks go back to the system when it shrinks.
// Not thread-safe: its owner locks around it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

template <typename T, std::size_t kChunk = 4096>
class ChunkedRecords {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }
    T& operator[](std::size_t i) { return m_arrChunks[i / kChunk][i % kChunk]; }
    const T& operator[](std::size_t i) const { return m_arrChunks[i / kChunk][i % kChunk]; }

    // Appends `count` records from their bytes as the file holds them.
    void append(const char* bytes, std::size_t count) {
        for (std::size_t done = 0; done < count;) {
            if (m_nSize == m_arrChunks.size() * kChunk) m_arrChunks.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
            const std::size_t step = std::min(count - done, kChunk - m_nSize % kChunk);
            std::memcpy(&(*this)[m_nSize], bytes + done * sizeof(T), step * sizeof(T));
            m_nSize += step;
            done += step;
        }
    }
    void clear() {
        std::vector<std::unique_ptr<T[]>>().swap(m_arrChunks);
        m_nSize = 0;
    }
    // Keeps the records `keep` answers true for, in their order; it sees each record once, first to last.
    template <typename Keep>
    void keepIf(Keep keep) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_nSize; ++i) {
            if (!keep(static_cast<const T&>((*this)[i]))) continue;
            if (kept != i) (*this)[kept] = (*this)[i];
            ++kept;
        }
        m_nSize = kept;
        m_arrChunks.resize((kept + kChunk - 1) / kChunk);
    }
    // The records' bytes, a piece per chunk.
    std::vector<std::string_view> bytes() const {
        std::vector<std::string_view> pieces;
        for (std::size_t first = 0; first < m_nSize; first += kChunk)
            pieces.emplace_back(reinterpret_cast<const char*>(&(*this)[first]), std::min(kChunk, m_nSize - first) * sizeof(T));
        return pieces;
    }

private:
    std::vector<std::unique_ptr<T[]>> m_arrChunks;
    std::size_t m_nSize = 0;
};
