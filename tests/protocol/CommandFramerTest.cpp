#include "CommandFramer.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;
using Frames = std::vector<Bytes>;

// Each stream is fed at once and byte by byte: a frame split across reads comes out the same.
TEST(CommandFramer, FramesBySizeWhateverTheReadsAndResyncsAfterABadFrame) {
    const struct {
        const char* name;
        Bytes stream;
        Frames frames;
    } cases[] = {
        {"garbage skipped, 55- and BB-ended frames, AA inside a frame is data",
         {0x00, 0x55, 0xAA, 0x04, 0x01, 0x55, 0x13, 0xAA, 0x05, 0x0F, 0x00, 0xBB, 0xAA, 0x06, 0x06,
          0x00, 0xAA, 0x55},
         {{0xAA, 0x04, 0x01, 0x55},
          {0xAA, 0x05, 0x0F, 0x00, 0xBB},
          {0xAA, 0x06, 0x06, 0x00, 0xAA, 0x55}}},
        {"bad lengths (below 4, above 64) re-synced at the next AA",
         {0xAA, 0x02, 0xAA, 0x41, 0xAA, 0x04, 0x02, 0x55},
         {{0xAA, 0x04, 0x02, 0x55}}},
        {"wrong end byte re-read from the AA inside the frame",
         {0xAA, 0x06, 0x06, 0xAA, 0x04, 0x01, 0x55},
         {{0xAA, 0x04, 0x01, 0x55}}},
    };
    for (const auto& c : cases) {
        CommandFramer framer;
        EXPECT_EQ(framer.Feed(c.stream), c.frames) << c.name;
        EXPECT_EQ(framer.Pending(), 0u) << c.name;
        CommandFramer byByte;
        Frames got;
        for (uint8_t b : c.stream)
            for (auto& f : byByte.Feed(std::span(&b, 1)))
                got.push_back(f);
        EXPECT_EQ(got, c.frames) << c.name;
    }
}

TEST(CommandFramer, NeverHoldsMoreThanTheLongestFrame) {
    CommandFramer framer;
    Bytes junk(10000, 0x40);
    junk[1] = 0x40; // 64: allowed length, never ends on 55/BB
    for (std::size_t i = 0; i < junk.size(); i += 37)
        junk[i] = 0xAA;
    framer.Feed(junk);
    EXPECT_LE(framer.Pending(), CommandFramer::kMaxFrame);
}

} // namespace
} // namespace vemla
