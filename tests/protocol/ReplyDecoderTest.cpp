// What the program reads from each reply; the replies' byte images are ReplyEncoderTest's.
#include "ReplyDecoder.h"
#include "ReplyAssembler.h"
#include "ReplyEncoder.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;
using Texts = std::array<std::string, kRecordTexts>;

// 1550 nm, -10 dBm against -20.5 dBm on 2013-10-09 15:07; index 4 is shown as 5; any flag byte.
Bytes Record(uint8_t flag, uint16_t index = 4) {
    Bytes f = EncodeRecordReply({index, 1550, -10.0f, -20.5f, false, {13, 10, 9, 15, 7}});
    f[15] = flag;
    return f;
}

Texts RecordTexts(const Bytes& f) {
    return FormatRecordTexts(DecodeRecord(ReplyFrame(f)));
}

TEST(ReplyDecoder, RelativeFlagSelectsRelativeAndReferenceColumnsAndIndexIsShownPlusOne) {
    const std::string date = "2013-10-09  15:07  ";
    EXPECT_EQ(RecordTexts(Record(1)),
              (Texts{"5", "1550", "-10.00dBm", "10.50dB", "-20.50dBm", date, ""}));
    EXPECT_EQ(RecordTexts(Record(0x80))[3], "10.50dB");
    EXPECT_EQ(RecordTexts(Record(0)), (Texts{"5", "1550", "-10.00dBm", "", "", date, ""}));
    EXPECT_EQ(RecordTexts(Record(0, 65535))[0], "65536");
    EXPECT_EQ(DecodeRecord(ReplyFrame(Record(0))).index, 4);
}

// A stored value that is no reading (beyond ±100 dBm, or no number) shows an em dash, never
// "nandBm"; a relative value made from one too. -100 dBm is still a reading.
TEST(ReplyDecoder, PowerOrReferenceThatIsNoReadingShowsADash) {
    const std::string dash = "\u2014";
    const struct {
        float power, reference;
        Texts::value_type shown[3]; // power, relative, reference
    } cases[] = {
        {-100.0f, 100.0f, {"-100.00dBm", "-200.00dB", "100.00dBm"}},
        {-100.01f, -20.5f, {dash, dash, "-20.50dBm"}},
        {3.4e38f, -20.5f, {dash, dash, "-20.50dBm"}},
        {1500.0f, -20.5f, {dash, dash, "-20.50dBm"}},
        {std::numeric_limits<float>::quiet_NaN(), -20.5f, {dash, dash, "-20.50dBm"}},
        {-10.0f, -std::numeric_limits<float>::infinity(), {"-10.00dBm", dash, dash}},
    };
    for (const auto& c : cases) {
        const Texts t =
            FormatRecordTexts({4, 1550, c.power, c.reference, true, {13, 10, 9, 15, 7}});
        EXPECT_EQ((std::array{t[2], t[3], t[4]}), (std::array{c.shown[0], c.shown[1], c.shown[2]}))
            << c.power << " " << c.reference;
    }
}

// All zeros read as "2000-00-00  00:00  " in ShortFramesReadZeroPastTheirEnd.
TEST(ReplyDecoder, DateTextPadsToTwoDigitsAndKeepsLongValues) {
    EXPECT_EQ(RecordDateText(9, 3, 1, 0, 0), "2009-03-01  00:00  ");
    EXPECT_EQ(RecordDateText(123, 255, 100, 99, 255), "20123-255-100  99:255  ");
}

TEST(ReplyDecoder, PowerIsTwoDecimalsRoundedLikePrintf) {
    const std::pair<float, std::string_view> cases[] = {
        {-7.32f, "-7.32"},
        {1.005f, "1.00"}, // stored as 1.00499999...
        {0.125f, "0.12"},
        {0.375f, "0.38"},
        {std::numeric_limits<float>::max(), "340282346638528859811704183484516925440.00"},
    };
    for (const auto& [dBm, text] : cases)
        EXPECT_EQ(FormatPower(DecodePower(ReplyFrame(EncodePowerReply(dBm)))), text);
}

TEST(ReplyDecoder, ConnectReplyWalk) {
    const std::tuple<Bytes, std::vector<int>, std::array<uint32_t, 4>> cases[] = {
        // frame, waves, lasers
        {{0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0, 0, 0, 0, 0x55},
         {1310, 1550},
         {1310, 1550, 0, 0}},
        {{0xAA, 0x0C, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59, 0x55},
         {},
         {1310, 1550, 1490, 1625}},
        // Odd L: the walk overshoots by one and laser 4 ends on the end byte.
        {{0xAA, 0x0D, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x01, 0x55},
         {1310},
         {1550, 1310, 1550, 0x155}},
    };
    for (const auto& [frame, waves, lasers] : cases) {
        const ConnectReply reply = DecodeConnect(ReplyFrame(frame));
        EXPECT_EQ(std::pair(reply.waves, reply.lasers), std::pair(waves, lasers));
    }
}

// A short frame that follows a long one through the same assembler must not show its bytes:
// past its end a frame reads zeros.
TEST(ReplyDecoder, ShortFramesReadZeroPastTheirEnd) {
    Bytes stream{
        0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x11, 0x11,
        0x11, 0x11, 0x55, 0xAA, 0x05, 0x01, 0x07, 0x55, // connect, then a short one
        0xAA, 0x08, 0x02, 0x11, 0x11, 0x11, 0x11, 0x55, 0xAA, 0x05, 0x02, 0xC1, 0x55, // power
    };
    Bytes longRecord = Record(1);
    std::fill(longRecord.begin() + 5, longRecord.end() - 1, 0x11);
    stream.insert(stream.end(), longRecord.begin(), longRecord.end());
    stream.insert(stream.end(), {0xAA, 0x05, 0x05, 0x07, 0x55});
    ReplyAssembler assembler;
    std::vector<ReplyFrame> frames;
    for (uint8_t b : stream)
        assembler.Feed(b, [&](const ReplyFrame& f) { frames.push_back(f); });
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(DecodeConnect(frames[1]).lasers, (std::array<uint32_t, 4>{0x0755, 0, 0, 0}));
    EXPECT_EQ(FormatPower(DecodePower(frames[3])), "-13.31"); // C1 55 00 00
    EXPECT_EQ(FormatRecordTexts(DecodeRecord(frames[5])),
              (Texts{"1878", "0", "0.00dBm", "", "", "2000-00-00  00:00  ", ""}));
    EXPECT_EQ(frames[5][100000], 0);
}

} // namespace
} // namespace vemla
