// One byte image per reply the meter sends; the simulator and the window tests build their
// frames with these encoders, so they rely on the images checked here.
#include "ReplyEncoder.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ReplyEncoder, EveryReplyIsByteExact) {
    const RecordValues record{258, 1625, -7.32f, -20.5f, true, {26, 12, 31, 23, 59}};
    const std::vector<uint16_t> waves{1310, 1550}, tooMany(21, 1310);
    const std::array<uint16_t, 4> lasers{1310, 1550, 1490, 1625};
    const std::tuple<const char*, Bytes, Bytes> cases[] = {
        // what, encoded, expected
        {"record", EncodeRecordReply(record), {0xAA, 0x16, 0x05, 0x01, 0x02, 0x06, 0x59, 0xC0,
                                               0xEA, 0x3D, 0x71, 0xC1, 0xA4, 0x00, 0x00, 0x01,
                                               0x1A, 0x0C, 0x1F, 0x17, 0x3B, 0x55}},
        {"connect",
         EncodeConnectReply(waves, lasers),
         {0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59,
          0x55}},
        {"power", EncodePowerReply(-10.0f), {0xAA, 0x08, 0x02, 0xC1, 0x20, 0x00, 0x00, 0x55}},
        {"ack", EncodeAck(FrameCode::SetTime), {0xAA, 0x04, 0x09, 0x55}},
        {"upload end", EncodeUploadEnd(), {0xAA, 0x04, 0x05, 0x55}},
        {"select wave failed", EncodeSelectWaveFailed(), {0xAA, 0x04, 0xFC, 0x55}},
        {"failure", EncodeFailure(), {0xAA, 0x04, 0x04, 0x55}},
    };
    for (const auto& [what, encoded, expected] : cases)
        EXPECT_EQ(encoded, expected) << what;
    // Past 20 wavelengths the length byte would no longer be the frame's size.
    EXPECT_EQ(EncodeConnectReply(tooMany, lasers).size(), 52u);
}

} // namespace
} // namespace vemla
