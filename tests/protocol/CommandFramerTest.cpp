#include "CommandFramer.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;
using Frames = std::vector<Bytes>;

const Bytes kConnect{0xAA, 0x04, 0x01, 0x55};

// Each stream is fed at once and byte by byte: a frame split across reads comes out the same.
TEST(CommandFramer, FramesBySizeWhateverTheReadsAndResyncsAfterABadFrame) {
    const std::tuple<const char*, Bytes, Frames> cases[] = {
        // what, stream, frames
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
        {"a frame begun inside a long bad one runs on past its end, every byte kept",
         {0xAA, 0x10, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xAA, 0x06, 0x06,
          0x00, 0xAA, 0x55},
         {{0xAA, 0x06, 0x06, 0x00, 0xAA, 0x55}}},
    };
    for (const auto& [what, stream, frames] : cases) {
        SCOPED_TRACE(what);
        CommandFramer framer, byByte;
        EXPECT_EQ(framer.Feed(stream), frames);
        EXPECT_EQ(framer.Feed(kConnect), Frames{kConnect}) << "nothing held back";
        Frames got;
        for (uint8_t b : stream)
            for (auto& f : byByte.Feed(std::span(&b, 1)))
                got.push_back(f);
        EXPECT_EQ(got, frames);
    }
}

// Starts of the longest frame every 37 bytes, none ending: each is held until its 64 bytes have
// passed, and no more (the sanitizer builds check every index of the buffer). Two lengths of
// filler later the framer holds nothing and the next frame comes out whole.
TEST(CommandFramer, JunkHeldNoLongerThanTheLongestFrame) {
    CommandFramer framer;
    Bytes junk(10000, 0x40);
    for (std::size_t i = 0; i < junk.size(); i += 37)
        junk[i] = 0xAA;
    EXPECT_EQ(framer.Feed(junk), Frames{});
    EXPECT_EQ(framer.Feed(Bytes(2 * CommandFramer::kMaxFrame, 0x00)), Frames{});
    EXPECT_EQ(framer.Feed(kConnect), Frames{kConnect});
}

} // namespace
} // namespace vemla
