// MD5 digests of many open files at once, of the whole file or of the regions FileDigest samples: up to
// laneCount() files are read in turns, piece by piece, and their blocks compressed side by side in the
// lanes of Md5Lanes; a file that ends frees its lane for the next. The digests equal FileDigest's.
// One object belongs to one thread, which hears of each file as it ends; releaseSpareBuffers() may be
// called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileDigest.h"
#include "platform/FileReader.h"
#include "platform/Md5Lanes.h"

class MultiFileDigest {
public:
    static constexpr std::size_t kPieceSize = 64 * 1024;
    // Files up to this size get one read-ahead request for all of them, or none when read whole: the
    // kernel's own read-ahead covers them, and a warm cache makes every request a wasted system call.
    static constexpr std::uint64_t kSmallFileSize = 128 * 1024;

    // Called once for every file added, on the adding thread, inside add or finish: its tag, the
    // file (still open, closed right after), and its digest as 32 lower-case hexadecimal digits, or
    // none when a read failed, the check said stop, or the process is shutting down.
    using Done = std::function<void(std::uint64_t tag, const FileReader& file, std::optional<std::string> digest)>;

    explicit MultiFileDigest(Done done, Md5Lanes::Engine engine = Md5Lanes::bestEngine(),
                             std::size_t pieceSize = kPieceSize);
    ~MultiFileDigest();
    MultiFileDigest(const MultiFileDigest&) = delete;
    MultiFileDigest& operator=(const MultiFileDigest&) = delete;

    // Asked before each piece is read: true ends every file still in flight without a digest.
    void setStopCheck(std::function<bool()> shouldStop);
    // Takes an open file and what to read of it; when every lane is busy, first works until one is free.
    // Without regions, the whole file (of a size not told: no read-ahead is asked for).
    void add(std::uint64_t tag, std::unique_ptr<FileReader> file, const FileDigest::Regions& regions = {});
    // Works until every file added has been reported.
    void finish();

    int laneCount() const { return m_nLanes; }
    // Lets go of the buffers that ended objects left for the next ones (about 1 MiB each): called when
    // a comparison is over. Any thread.
    static void releaseSpareBuffers();

private:
    struct Lane {
        std::unique_ptr<FileReader> file;
        std::uint64_t tag = 0;
        FileDigest::Regions regions;
        int region = 0;              // the region being read
        std::uint64_t position = 0;  // the file offset read next
        std::uint64_t fed = 0;       // bytes read so far, of every region
        std::size_t begin = 0;       // the bytes of the buffer not yet compressed: [begin, end)
        std::size_t end = 0;
        bool ended = false;  // the last region's last piece is in the buffer
    };

    void step();
    bool readPiece(int index);
    void probeCache(int index);
    void report(int index, std::optional<std::string> digest);
    void stopAll();
    unsigned char* buffer(int index) { return m_pBuffers.get() + static_cast<std::size_t>(index) * m_nBufferSize; }

    Done m_done;
    std::function<bool()> m_shouldStop;
    Md5Lanes::Engine m_engine;
    int m_nLanes;
    std::size_t m_nPieceSize;
    std::size_t m_nBufferSize;
    // One per lane, taken on first use (from the thread's last digest object when their sizes match).
    std::unique_ptr<unsigned char[]> m_pBuffers;
    std::vector<Lane> m_arrLanes;
    int m_nActive = 0;
    Md5Lanes::States m_states;
};
