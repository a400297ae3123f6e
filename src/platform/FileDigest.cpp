#include "platform/FileDigest.h"

#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include <algorithm>
#include <memory>

#include "platform/Dispatch.h"
#include "platform/FileReader.h"

namespace {

const EVP_MD* md5Method() {
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    // An explicitly fetched method lets a reused context skip the provider lookup at every init.
    static const EVP_MD* method = [] {
        const EVP_MD* fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
        return fetched ? fetched : EVP_md5();
    }();
    return method;
#else
    return EVP_md5();
#endif
}

// One per thread: the digests of a thread run one after another, so the buffer and the context
// are reused from file to file instead of being allocated for each.
struct DigestState {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    alignas(64) unsigned char buffer[FileDigest::kReadSize];

    DigestState() = default;
    ~DigestState() { EVP_MD_CTX_free(context); }
    DigestState(const DigestState&) = delete;
    DigestState& operator=(const DigestState&) = delete;
};

DigestState& threadState() {
    thread_local DigestState state;
    return state;
}

bool beginDigest(DigestState& state) {
    return state.context && EVP_DigestInit_ex(state.context, md5Method(), nullptr) == 1;
}

std::optional<std::string> finishDigest(DigestState& state) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(state.context, digest, &length) != 1 || length != 16) return std::nullopt;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string key(32, '\0');
    for (unsigned int i = 0; i < 16; ++i) {
        key[2 * i] = kDigits[digest[i] >> 4];
        key[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    return key;
}

// Feeds the whole file, in pieces of `pieceSize` bytes, into the digest begun in `state`.
bool feedWholeFile(DigestState& state, const FileReader& reader, std::size_t pieceSize) {
    unsigned char* buffer = state.buffer;
    // Larger pieces mean far fewer system calls on large files. Their buffer lives for one file only: the
    // digest workers stay until the process ends, and four kept buffers were a megabyte held to the end.
    std::unique_ptr<unsigned char[]> large;
    if (pieceSize > FileDigest::kReadSize) {
        large.reset(new unsigned char[pieceSize]);
        buffer = large.get();
    }
    std::uint64_t position = 0;
    for (;;) {
        if (dispatch::isShuttingDown()) return false;  // the process is ending: nobody will read the digest
        std::int64_t count = reader.readAt(buffer, pieceSize, position);
        if (count < 0) return false;
        if (count == 0) return true;
        if (EVP_DigestUpdate(state.context, buffer, static_cast<std::size_t>(count)) != 1) return false;
        position += static_cast<std::uint64_t>(count);
    }
}

// Feeds one region: whole pieces while the region's remaining count is above 0.
bool feedRegion(DigestState& state, const FileReader& reader, std::size_t pieceSize, std::uint64_t offset,
                std::uint64_t length) {
    std::int64_t remaining = static_cast<std::int64_t>(length);
    std::uint64_t position = offset;
    while (remaining > 0) {
        std::int64_t count = reader.readAt(state.buffer, pieceSize, position);
        if (count < 0) return false;
        if (count == 0) return true;  // the file ended early (it shrank since it was listed)
        if (EVP_DigestUpdate(state.context, state.buffer, static_cast<std::size_t>(count)) != 1) return false;
        remaining -= count;
        position += static_cast<std::uint64_t>(count);
    }
    return true;
}

std::optional<std::string> wholeFileDigest(const FileReader& reader, std::size_t pieceSize) {
    reader.adviseSequential();
    DigestState& state = threadState();
    if (!beginDigest(state) || !feedWholeFile(state, reader, pieceSize)) return std::nullopt;
    return finishDigest(state);
}

std::optional<std::string> digestOpenFile(const FileReader& reader, std::uint64_t size, std::uint64_t blockLength,
                                          std::uint64_t threshold) {
    const std::optional<FileDigest::Regions> regions = FileDigest::regionsFor(size, blockLength, threshold);
    if (!regions) return std::nullopt;
    const std::size_t pieceSize = static_cast<std::size_t>(std::min<std::uint64_t>(FileDigest::kReadSize, blockLength));
    if (!regions->isSampled()) return wholeFileDigest(reader, pieceSize);

    // Only the three regions are wanted: no read-ahead past them, and all three requested at once.
    reader.adviseRandom();
    for (const auto& region : regions->region) reader.adviseWillNeed(region.offset, region.length);

    DigestState& state = threadState();
    if (!beginDigest(state)) return std::nullopt;
    for (const auto& region : regions->region)
        if (!feedRegion(state, reader, pieceSize, region.offset, region.length)) return std::nullopt;
    return finishDigest(state);
}

}  // namespace

std::optional<FileDigest::Regions> FileDigest::regionsFor(std::uint64_t size, std::uint64_t blockLength,
                                                          std::uint64_t threshold) {
    // Regions of no length would give every file of a size the same digest.
    if (blockLength == 0) return std::nullopt;
    Regions regions = Regions::whole(size);
    if (!isPartialDigest(size, blockLength, threshold)) return regions;

    const std::uint64_t distance = size - blockLength;
    std::uint64_t middleOffset = distance / 2;
    std::uint64_t lastOffset = distance;
    std::uint64_t lastLength = blockLength;
    if (size >= kAlignedFromSize) {
        middleOffset -= middleOffset % kAlignment;
        lastOffset -= lastOffset % kAlignment;
        lastLength = size - lastOffset;
    }
    // Regions are read in whole pieces: a length is what those pieces cover.
    const std::uint64_t piece = std::min<std::uint64_t>(kReadSize, blockLength);
    const auto whole = [piece](std::uint64_t length) { return (length + piece - 1) / piece * piece; };
    regions.count = 3;
    regions.region[0] = {0, whole(blockLength)};
    regions.region[1] = {lastOffset, whole(lastLength)};
    regions.region[2] = {middleOffset, whole(blockLength)};
    return regions;
}

std::optional<std::string> FileDigest::hashforFile(const std::string& path) {
    FileReader reader;
    if (!reader.open(path)) return std::nullopt;
    return wholeFileDigest(reader, kWholeFileReadSize);
}

std::optional<std::string> FileDigest::hashforFileAt(const FileReader::Folder& folder, const char* name) {
    FileReader reader;
    if (!reader.openAt(folder, name)) return std::nullopt;
    return wholeFileDigest(reader, kWholeFileReadSize);
}

std::optional<std::string> FileDigest::hashforOpenFile(const FileReader& reader) {
    return wholeFileDigest(reader, kWholeFileReadSize);
}

std::optional<std::string> FileDigest::hashforOpenFilePartly(const FileReader& reader, std::uint64_t size,
                                                             std::uint64_t blockLength, std::uint64_t threshold) {
    return digestOpenFile(reader, size, blockLength, threshold);
}

std::optional<std::string> FileDigest::hashforFilePartly(const std::string& path, std::uint64_t size,
                                                         std::uint64_t blockLength, std::uint64_t threshold) {
    if (blockLength == 0) return std::nullopt;
    FileReader reader;
    if (!reader.open(path)) return std::nullopt;
    return digestOpenFile(reader, size, blockLength, threshold);
}

std::optional<std::string> FileDigest::hashforFilePartlyAt(const FileReader::Folder& folder, const char* name,
                                                           std::uint64_t size, std::uint64_t blockLength,
                                                           std::uint64_t threshold) {
    if (blockLength == 0) return std::nullopt;
    FileReader reader;
    if (!reader.openAt(folder, name)) return std::nullopt;
    return digestOpenFile(reader, size, blockLength, threshold);
}
