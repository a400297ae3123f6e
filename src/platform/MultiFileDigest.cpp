#include "platform/MultiFileDigest.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/Dispatch.h"

namespace {
// The lane buffers of digest objects that ended, kept for the next ones until releaseSpareBuffers(): a
// pass of whole-file digests may hold a few files only, and its buffers would otherwise be made and
// faulted in every time. One set per thread that digests at once is enough.
struct SpareBuffers {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};
constexpr std::size_t kMostSpareBuffers = 4;
std::mutex g_spareMutex;
std::vector<SpareBuffers> g_spare;

std::string hexOf(const unsigned char digest[16]) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string key(32, '\0');
    for (int i = 0; i < 16; ++i) {
        key[2 * i] = kDigits[digest[i] >> 4];
        key[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    return key;
}

// Below this many busy lanes, a vector call costs more than compressing the busy lanes one by one.
int fewestLanesForVectors(Md5Lanes::Engine engine) {
    switch (engine) {
        case Md5Lanes::Engine::Avx512: return 4;
        case Md5Lanes::Engine::Avx2: return 2;
        case Md5Lanes::Engine::Scalar: break;
    }
    return std::numeric_limits<int>::max();
}
}  // namespace

MultiFileDigest::MultiFileDigest(Done done, Md5Lanes::Engine engine, std::size_t pieceSize)
    : m_done(std::move(done)),
      m_engine(engine),
      m_nLanes(Md5Lanes::laneCount(engine)),
      // Whole blocks per piece, and room for the part of a block a short read may leave behind.
      m_nPieceSize(std::max<std::size_t>(Md5Lanes::kBlockSize,
                                         pieceSize / Md5Lanes::kBlockSize * Md5Lanes::kBlockSize)),
      m_nBufferSize(m_nPieceSize + Md5Lanes::kBlockSize),
      m_arrLanes(static_cast<std::size_t>(m_nLanes)) {}

MultiFileDigest::~MultiFileDigest() {
    if (!m_pBuffers) return;
    std::lock_guard lock(g_spareMutex);
    if (g_spare.size() < kMostSpareBuffers)
        g_spare.push_back({std::move(m_pBuffers), m_nBufferSize * static_cast<std::size_t>(m_nLanes)});
}

void MultiFileDigest::releaseSpareBuffers() {
    std::vector<SpareBuffers> released;
    std::lock_guard lock(g_spareMutex);
    released.swap(g_spare);
}

void MultiFileDigest::setStopCheck(std::function<bool()> shouldStop) { m_shouldStop = std::move(shouldStop); }

void MultiFileDigest::add(std::uint64_t tag, std::unique_ptr<FileReader> file, const FileDigest::Regions& regions) {
    while (m_nActive == m_nLanes) step();
    if (!m_pBuffers) {
        const std::size_t size = m_nBufferSize * static_cast<std::size_t>(m_nLanes);
        {
            std::lock_guard lock(g_spareMutex);
            const auto spare = std::find_if(g_spare.begin(), g_spare.end(), [&](const SpareBuffers& b) { return b.size == size; });
            if (spare != g_spare.end()) {
                m_pBuffers = std::move(spare->bytes);
                g_spare.erase(spare);
            }
        }
        if (!m_pBuffers) m_pBuffers = std::make_unique_for_overwrite<unsigned char[]>(size);
    }
    for (int i = 0; i < m_nLanes; ++i) {
        Lane& lane = m_arrLanes[static_cast<std::size_t>(i)];
        if (lane.file) continue;
        if (!regions.isSampled() && regions.size > kSmallFileSize) file->adviseSequential();
        lane = Lane{std::move(file), tag, regions};
        lane.position = regions.region[0].offset;
        if (regions.isSampled()) probeCache(i);
        Md5Lanes::startLane(m_states, i);
        ++m_nActive;
        return;
    }
}

void MultiFileDigest::finish() {
    while (m_nActive > 0) step();
}

void MultiFileDigest::step() {
    if (dispatch::isShuttingDown() || (m_shouldStop && m_shouldStop())) {
        stopAll();
        return;
    }
    for (int i = 0; i < m_nLanes; ++i) {
        Lane& lane = m_arrLanes[static_cast<std::size_t>(i)];
        if (lane.file && !lane.ended && lane.end - lane.begin < Md5Lanes::kBlockSize && !readPiece(i))
            report(i, std::nullopt);
    }
    for (int i = 0; i < m_nLanes; ++i) {
        Lane& lane = m_arrLanes[static_cast<std::size_t>(i)];
        if (!lane.file || !lane.ended || lane.end - lane.begin >= Md5Lanes::kBlockSize) continue;
        unsigned char digest[16];
        Md5Lanes::finishLane(m_states, i, buffer(i) + lane.begin, lane.end - lane.begin, lane.fed, digest);
        report(i, hexOf(digest));
    }
    if (m_nActive == 0) return;
    // Every busy lane holds at least one whole block now: compress as many as all of them have.
    std::size_t blocks = std::numeric_limits<std::size_t>::max();
    for (const Lane& lane : m_arrLanes)
        if (lane.file) blocks = std::min(blocks, (lane.end - lane.begin) / Md5Lanes::kBlockSize);
    if (m_nActive < fewestLanesForVectors(m_engine)) {
        for (int i = 0; i < m_nLanes; ++i) {
            const Lane& lane = m_arrLanes[static_cast<std::size_t>(i)];
            if (lane.file) Md5Lanes::compressLane(m_states, i, buffer(i) + lane.begin, blocks);
        }
    } else {
        // A free lane is compressed too (its result is dropped): its buffer holds the blocks read.
        const unsigned char* data[Md5Lanes::kMaxLanes];
        for (int i = 0; i < m_nLanes; ++i) {
            const Lane& lane = m_arrLanes[static_cast<std::size_t>(i)];
            data[i] = buffer(i) + (lane.file ? lane.begin : 0);
        }
        Md5Lanes::compress(m_engine, m_states, data, blocks);
    }
    for (Lane& lane : m_arrLanes)
        if (lane.file) lane.begin += blocks * Md5Lanes::kBlockSize;
}

void MultiFileDigest::probeCache(int index) {
    // A sampled file's regions lie apart, and the kernel's read-ahead would read past each of them:
    // they are asked for exactly, all at once, unless they are cached already. Asking costs a call per
    // region, for nothing when the pages are in memory (a warm scan), so the first piece is read first
    // from the cache alone; only when it is not all there are the regions asked for.
    // Done as the file is added, so that its regions are asked for before the next file is opened.
    Lane& lane = m_arrLanes[static_cast<std::size_t>(index)];
    const FileDigest::Regions::Region& first = lane.regions.region[0];
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(m_nPieceSize, first.length));
    const std::int64_t count = lane.file->readCachedAt(buffer(index) + lane.end, wanted, lane.position);
    if (count == static_cast<std::int64_t>(wanted)) {
        lane.position += wanted;
        lane.fed += wanted;
        lane.end += wanted;
        if (lane.position != first.offset + first.length) return;  // the region goes on in the next piece
        if (++lane.region == lane.regions.count) lane.ended = true;
        else lane.position = lane.regions.region[lane.region].offset;
        return;
    }
    // Not cached, partly cached, ended early (the file shrank) or failed: what was read is read again,
    // and the regular reads tell an end or an error apart.
    if (lane.regions.size <= kSmallFileSize) {
        lane.file->adviseWillNeed(0, lane.regions.size);
    } else {
        for (int r = 0; r < lane.regions.count; ++r)
            lane.file->adviseWillNeed(lane.regions.region[r].offset, lane.regions.region[r].length);
    }
}

bool MultiFileDigest::readPiece(int index) {
    Lane& lane = m_arrLanes[static_cast<std::size_t>(index)];
    unsigned char* data = buffer(index);
    const std::size_t left = lane.end - lane.begin;
    std::memmove(data, data + lane.begin, left);
    lane.begin = 0;
    lane.end = left;
    // The piece is filled from as many regions as it takes: the sampled regions of a file fit in one.
    std::size_t room = m_nPieceSize;
    while (room > 0 && !lane.ended) {
        const FileDigest::Regions::Region& region = lane.regions.region[lane.region];
        const std::uint64_t regionEnd = region.length == FileDigest::Regions::kToEnd
                                            ? FileDigest::Regions::kToEnd
                                            : region.offset + region.length;
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(room, regionEnd - lane.position));
        const std::int64_t count = lane.file->readFullyAt(data + lane.end, wanted, lane.position);
        if (count < 0) return false;
        lane.position += static_cast<std::uint64_t>(count);
        lane.fed += static_cast<std::uint64_t>(count);
        lane.end += static_cast<std::size_t>(count);
        room -= static_cast<std::size_t>(count);
        // The region is done when read to its end, or early at the end of the file.
        if (static_cast<std::size_t>(count) < wanted || lane.position == regionEnd) {
            if (++lane.region == lane.regions.count) lane.ended = true;
            else lane.position = lane.regions.region[lane.region].offset;
        }
    }
    return true;
}

void MultiFileDigest::report(int index, std::optional<std::string> digest) {
    Lane& lane = m_arrLanes[static_cast<std::size_t>(index)];
    std::unique_ptr<FileReader> file = std::move(lane.file);
    const std::uint64_t tag = lane.tag;
    lane = Lane{};
    --m_nActive;
    m_done(tag, *file, std::move(digest));
}

void MultiFileDigest::stopAll() {
    for (int i = 0; i < m_nLanes; ++i)
        if (m_arrLanes[static_cast<std::size_t>(i)].file) report(i, std::nullopt);
}
