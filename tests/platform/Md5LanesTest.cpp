// MD5 in lanes against OpenSSL's MD5, for every engine this processor runs: streams of the lengths
// around the padding boundaries and a large one, lanes that end at different times and are started
// again with a new stream while the others go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "detection/HashingTestHelpers.h"
#include "platform/Md5Lanes.h"

using hashing_test::md5Hex;

namespace {

std::string randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string hexOf(const unsigned char digest[16]) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += digits[digest[i] >> 4];
        out += digits[digest[i] & 15];
    }
    return out;
}

const std::vector<std::size_t>& boundaryLengths() {
    static const std::vector<std::size_t> lengths{0,   1,   55,  56,  57,   63,   64,   65,         119,
                                                  120, 127, 128, 129, 1000, 4109, 8192, (1u << 20) + 13};
    return lengths;
}

// Feeds every stream through the engine's lanes, each lane taking the next stream as soon as its own
// ends; each call compresses a varying number of blocks (at most what every busy lane has). Answers the
// digests in the order of the streams.
std::vector<std::string> digestInLanes(Md5Lanes::Engine engine, const std::vector<std::string>& streams,
                                       std::uint32_t seed) {
    const int lanes = Md5Lanes::laneCount(engine);
    struct Lane {
        int stream = -1;
        std::size_t offset = 0;
    };
    std::vector<Lane> lane(static_cast<std::size_t>(lanes));
    std::deque<int> waiting;
    for (int i = 0; i < static_cast<int>(streams.size()); ++i) waiting.push_back(i);
    std::vector<std::string> digests(streams.size());
    Md5Lanes::States states{};
    const std::string idle(64 * 8, '\x5a');  // what a free lane is given: its result is never used
    std::mt19937 generator(seed);
    for (;;) {
        bool busy = false;
        for (int i = 0; i < lanes; ++i) {
            Lane& l = lane[static_cast<std::size_t>(i)];
            while (l.stream >= 0 && streams[static_cast<std::size_t>(l.stream)].size() - l.offset < 64) {
                const std::string& s = streams[static_cast<std::size_t>(l.stream)];
                unsigned char digest[16];
                Md5Lanes::finishLane(states, i, reinterpret_cast<const unsigned char*>(s.data()) + l.offset,
                                     s.size() - l.offset, s.size(), digest);
                digests[static_cast<std::size_t>(l.stream)] = hexOf(digest);
                l = Lane{};
                if (!waiting.empty()) {
                    l.stream = waiting.front();
                    waiting.pop_front();
                    Md5Lanes::startLane(states, i);
                }
            }
            if (l.stream < 0 && !waiting.empty()) {
                l.stream = waiting.front();
                waiting.pop_front();
                Md5Lanes::startLane(states, i);
                --i;  // the new stream may be short enough to end at once
                continue;
            }
            busy = busy || l.stream >= 0;
        }
        if (!busy) break;
        std::size_t blocks = 1 + generator() % 8;
        const unsigned char* data[Md5Lanes::kMaxLanes];
        for (int i = 0; i < lanes; ++i) {
            const Lane& l = lane[static_cast<std::size_t>(i)];
            if (l.stream < 0) {
                data[i] = reinterpret_cast<const unsigned char*>(idle.data());
                continue;
            }
            const std::string& s = streams[static_cast<std::size_t>(l.stream)];
            data[i] = reinterpret_cast<const unsigned char*>(s.data()) + l.offset;
            blocks = std::min(blocks, (s.size() - l.offset) / 64);
        }
        Md5Lanes::compress(engine, states, data, blocks);
        for (Lane& l : lane)
            if (l.stream >= 0) l.offset += blocks * 64;
    }
    return digests;
}

class Md5LanesEngines : public ::testing::TestWithParam<Md5Lanes::Engine> {
protected:
    void SetUp() override {
        if (!Md5Lanes::isAvailable(GetParam())) GTEST_SKIP() << "this processor lacks the engine's instructions";
    }
};

}  // namespace

TEST_P(Md5LanesEngines, EveryBoundaryLengthGivesOpenSslsDigest) {
    std::vector<std::string> streams;
    for (std::size_t i = 0; i < boundaryLengths().size(); ++i)
        streams.push_back(randomBytes(boundaryLengths()[i], static_cast<std::uint32_t>(i + 1)));
    const std::vector<std::string> digests = digestInLanes(GetParam(), streams, 7);
    for (std::size_t i = 0; i < streams.size(); ++i)
        EXPECT_EQ(digests[i], md5Hex(streams[i])) << "length " << streams[i].size();
}

TEST_P(Md5LanesEngines, LanesEndingAtDifferentTimesAreRefilledWithoutDisturbingTheOthers) {
    // Many more streams than lanes, of lengths spread over a few hundred blocks, so that lanes end
    // and start again at every possible moment of the others.
    std::mt19937 generator(11);
    std::vector<std::string> streams;
    for (int i = 0; i < 150; ++i)
        streams.push_back(randomBytes(generator() % 40000, static_cast<std::uint32_t>(100 + i)));
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const std::vector<std::string> digests = digestInLanes(GetParam(), streams, seed);
        for (std::size_t i = 0; i < streams.size(); ++i)
            ASSERT_EQ(digests[i], md5Hex(streams[i])) << "stream " << i << ", length " << streams[i].size();
    }
}

TEST_P(Md5LanesEngines, AllLanesOfOneLengthMatchTheSingleLaneLoop) {
    const int lanes = Md5Lanes::laneCount(GetParam());
    std::vector<std::string> streams;
    for (int i = 0; i < lanes; ++i) streams.push_back(randomBytes(64 * 33 + 5, static_cast<std::uint32_t>(900 + i)));
    Md5Lanes::States together{};
    Md5Lanes::States alone{};
    const unsigned char* data[Md5Lanes::kMaxLanes];
    for (int i = 0; i < lanes; ++i) {
        Md5Lanes::startLane(together, i);
        Md5Lanes::startLane(alone, i);
        data[i] = reinterpret_cast<const unsigned char*>(streams[static_cast<std::size_t>(i)].data());
        Md5Lanes::compressLane(alone, i, data[i], 33);
    }
    Md5Lanes::compress(GetParam(), together, data, 33);
    for (int i = 0; i < lanes; ++i) {
        for (int word = 0; word < 4; ++word) EXPECT_EQ(together.word[word][i], alone.word[word][i]) << "lane " << i;
        unsigned char digest[16];
        Md5Lanes::finishLane(together, i, data[i] + 33 * 64, 5, 33 * 64 + 5, digest);
        EXPECT_EQ(hexOf(digest), md5Hex(streams[static_cast<std::size_t>(i)])) << "lane " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Md5Lanes, Md5LanesEngines,
                         ::testing::Values(Md5Lanes::Engine::Scalar, Md5Lanes::Engine::Avx2, Md5Lanes::Engine::Avx512),
                         [](const ::testing::TestParamInfo<Md5Lanes::Engine>& info) -> std::string {
                             return Md5Lanes::engineName(info.param);
                         });

TEST(Md5Lanes, BestEngineIsAvailable) { EXPECT_TRUE(Md5Lanes::isAvailable(Md5Lanes::bestEngine())); }
