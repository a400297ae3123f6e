// MD5 digests of files as 32 lower-case hexadecimal digits: of the whole file, or of three regions
// of a large file (start, end, middle), one file at a time through one lane of MultiFileDigest, the code
// the scan digests many files with. Any thread may call. A file that cannot be opened or read (gone, a symbolic link, no permission,
// not a regular file) gives no digest, and so does a whole-file digest still running when the process
// shuts down (dispatch::shutdown). Files are opened read-only and never changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileReader.h"

class FileDigest {
public:
    FileDigest() = delete;

    static constexpr std::size_t kReadSize = 8192;
    // Whole-file digests read in pieces of this size, with sequential read-ahead asked of the kernel.
    static constexpr std::size_t kWholeFileReadSize = 256 * 1024;
    // From this size on, the offsets of the last and middle regions are rounded down to kAlignment.
    static constexpr std::uint64_t kAlignedFromSize = 12289;
    static constexpr std::uint64_t kAlignment = 4096;

    // The digest of the whole file, read in pieces of kWholeFileReadSize bytes.
    static std::optional<std::string> hashforFile(const std::string& path);

    // With S = size, B = blockLength, T = threshold and the read size R = min(kReadSize, B):
    // when S is 0, S < T or 3·B > S, the whole-file digest (read in pieces of R). Otherwise the digest
    // of, in this order, the first region (0, B), the last region (D, B) and the middle region
    // (D/2, B) with D = S − B; from kAlignedFromSize bytes on, the last and middle offsets are rounded
    // down to kAlignment and the last region runs to the end of the file. Each region is read in
    // whole pieces of R bytes (the last piece may reach past the region's end); the end of the file
    // ends a region early, a read error gives no digest. A block length of 0 gives no digest.
    static std::optional<std::string> hashforFilePartly(const std::string& path, std::uint64_t size,
                                                        std::uint64_t blockLength, std::uint64_t threshold);

    // The same for the file `name` (a name, not a path) inside an open folder.
    static std::optional<std::string> hashforFileAt(const FileReader::Folder& folder, const char* name);
    static std::optional<std::string> hashforFilePartlyAt(const FileReader::Folder& folder, const char* name,
                                                          std::uint64_t size, std::uint64_t blockLength,
                                                          std::uint64_t threshold);

    // What hashforFilePartly reads, in order: the whole file, or three regions whose lengths are already
    // rounded up to whole pieces of R (a region stops early at the end of the file).
    struct Regions {
        static constexpr std::uint64_t kToEnd = ~std::uint64_t{0};
        struct Region {
            std::uint64_t offset = 0;
            std::uint64_t length = kToEnd;
        };
        Region region[3];
        int count = 1;  // 1: the whole file (region[0] is (0, kToEnd)); 3: the sampled regions
        std::uint64_t size = 0;  // the file's size when it was listed: how much read-ahead to ask for
        bool isSampled() const { return count > 1; }
        static Regions whole(std::uint64_t size) {
            Regions regions;
            regions.size = size;
            return regions;
        }
    };
    // None for a block length of 0.
    static std::optional<Regions> regionsFor(std::uint64_t size, std::uint64_t blockLength, std::uint64_t threshold);

    // Whether hashforFilePartly hashes regions (true) or the whole file (false) for these numbers.
    static bool isPartialDigest(std::uint64_t size, std::uint64_t blockLength, std::uint64_t threshold) {
        return size != 0 && size >= threshold && blockLength != 0 && blockLength <= size / 3;
    }
};
