#include "platform/FileDigest.h"

#include <algorithm>
#include <memory>

#include "platform/MultiFileDigest.h"

namespace {

// One file through one lane of the plain engine: the same code, and so the same digests, as the scan's
// many files at once.
std::optional<std::string> digestOf(std::unique_ptr<FileReader> reader, const FileDigest::Regions& regions,
                                    std::size_t pieceSize) {
    std::optional<std::string> result;
    MultiFileDigest lane([&result](std::uint64_t, const FileReader&, std::optional<std::string> digest) {
        result = std::move(digest);
    }, Md5Lanes::Engine::Scalar, pieceSize);
    lane.add(0, std::move(reader), regions);
    lane.finish();
    return result;
}

std::unique_ptr<FileReader> opened(const std::string& path) {
    auto reader = std::make_unique<FileReader>();
    if (!reader->open(path)) return nullptr;
    return reader;
}

std::unique_ptr<FileReader> openedAt(const FileReader::Folder& folder, const char* name) {
    auto reader = std::make_unique<FileReader>();
    if (!reader->openAt(folder, name)) return nullptr;
    return reader;
}

std::optional<std::string> wholeDigestOf(std::unique_ptr<FileReader> reader) {
    if (!reader) return std::nullopt;
    // The size only chooses the read-ahead: a file read whole is read to its end, whatever it says.
    const std::uint64_t size = reader->stampAtOpen().size;
    return digestOf(std::move(reader), FileDigest::Regions::whole(size), FileDigest::kWholeFileReadSize);
}

std::optional<std::string> partialDigestOf(std::unique_ptr<FileReader> reader, std::uint64_t size,
                                           std::uint64_t blockLength, std::uint64_t threshold) {
    const std::optional<FileDigest::Regions> regions = FileDigest::regionsFor(size, blockLength, threshold);
    if (!reader || !regions) return std::nullopt;
    return digestOf(std::move(reader), *regions, MultiFileDigest::kPieceSize);
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

std::optional<std::string> FileDigest::hashforFile(const std::string& path) { return wholeDigestOf(opened(path)); }

std::optional<std::string> FileDigest::hashforFileAt(const FileReader::Folder& folder, const char* name) {
    return wholeDigestOf(openedAt(folder, name));
}

std::optional<std::string> FileDigest::hashforFilePartly(const std::string& path, std::uint64_t size,
                                                         std::uint64_t blockLength, std::uint64_t threshold) {
    if (blockLength == 0) return std::nullopt;
    return partialDigestOf(opened(path), size, blockLength, threshold);
}

std::optional<std::string> FileDigest::hashforFilePartlyAt(const FileReader::Folder& folder, const char* name,
                                                           std::uint64_t size, std::uint64_t blockLength,
                                                           std::uint64_t threshold) {
    if (blockLength == 0) return std::nullopt;
    return partialDigestOf(openedAt(folder, name), size, blockLength, threshold);
}
