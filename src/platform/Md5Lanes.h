// MD5 of many independent streams at once: the 64-byte blocks of up to kMaxLanes streams are compressed
// side by side in the lanes of one set of vector registers (16 with AVX-512, 8 with AVX2, a plain loop
// without either), and each lane's tail is padded and finished alone. Stateless; any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>

class Md5Lanes {
public:
    Md5Lanes() = delete;

    enum class Engine : std::uint8_t { Scalar, Avx2, Avx512 };
    static constexpr int kMaxLanes = 16;
    static constexpr std::size_t kBlockSize = 64;

    // The running A, B, C, D words of each lane, one array per word: a vector register loads a word of
    // every lane at once.
    struct States {
        alignas(64) std::uint32_t word[4][kMaxLanes];
    };

    // The fastest engine this processor runs.
    static Engine bestEngine();
    static bool isAvailable(Engine engine);
    // "Scalar", "Avx2" or "Avx512".
    static const char* engineName(Engine engine);
    // How many lanes one compress call of the engine works on: 16, 8, or 4 for the plain loop.
    static int laneCount(Engine engine);

    // Sets the lane to the state of an empty stream.
    static void startLane(States& states, int lane);
    // Compresses `blocks` blocks of each of the engine's laneCount lanes: lane i reads blocks·64 bytes
    // from data[i] (every lane must have them, in use or not). The engine must be available.
    static void compress(Engine engine, States& states, const unsigned char* const data[], std::size_t blocks);
    // Compresses `blocks` blocks into the one lane, without vectors.
    static void compressLane(States& states, int lane, const unsigned char* data, std::size_t blocks);
    // Ends the lane's stream: `tail` holds its last `tailLength` (< 64) bytes, not yet compressed;
    // `totalLength` counts every byte of the stream. Writes the 16 bytes of the digest.
    static void finishLane(States& states, int lane, const unsigned char* tail, std::size_t tailLength,
                           std::uint64_t totalLength, unsigned char digest[16]);
};
