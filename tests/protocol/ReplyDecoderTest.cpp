#include "ReplyDecoder.h"
#include "ReplyAssembler.h"
#include "ReplyEncoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;
using Texts = std::array<std::string, kRecordTexts>;

ReplyFrame Frame(const Bytes& b) {
    return ReplyFrame(b);
}

// Record index 4 (shown as 5), 1550 nm, -10 dBm against -20.5 dBm; any flag byte.
Bytes Record(uint8_t flag, RecordDate date = {13, 10, 9, 15, 7}) {
    RecordValues r;
    r.index = 4;
    r.wavelength = 1550;
    r.power = -10.0f;
    r.reference = -20.5f;
    r.date = date;
    Bytes f = EncodeRecordReply(r);
    f[15] = flag;
    return f;
}

Texts RecordTexts(const Bytes& f) {
    return FormatRecordTexts(DecodeRecord(Frame(f)));
}

TEST(ReplyDecoder, RelativeFlagSelectsRelativeAndReferenceColumns) {
    const std::string date = "2013-10-09  15:07  ";
    EXPECT_EQ(RecordTexts(Record(1)),
              (Texts{"5", "1550", "-10.00dBm", "10.50dB", "-20.50dBm", date, ""}));
    EXPECT_EQ(RecordTexts(Record(0x80))[3], "10.50dB");
    EXPECT_EQ(RecordTexts(Record(0)), (Texts{"5", "1550", "-10.00dBm", "", "", date, ""}));
    const RecordValues v = DecodeRecord(Frame(Record(0)));
    EXPECT_EQ(v.index, 4);
    EXPECT_EQ(v.reference, -20.5f);
}

TEST(ReplyDecoder, RecordIndex65535IsNumbered65536) {
    Bytes r = Record(0);
    r[3] = r[4] = 0xFF;
    EXPECT_EQ(RecordTexts(r)[0], "65536");
}

TEST(ReplyDecoder, DateTextPadsToTwoDigitsAndKeepsLongValues) {
    const struct {
        unsigned y, m, d, h, mi;
        std::string_view text;
    } cases[] = {
        {9, 3, 1, 0, 0, "2009-03-01  00:00  "},
        {0, 0, 0, 0, 0, "2000-00-00  00:00  "},
        {123, 255, 100, 99, 255, "20123-255-100  99:255  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordDateText(c.y, c.m, c.d, c.h, c.mi), c.text);
    EXPECT_EQ(RecordTexts(Record(0, {9, 3, 5, 6, 8}))[5], "2009-03-05  06:08  ");
}

TEST(ReplyDecoder, PowerIsTwoDecimalsRoundedLikePrintf) {
    const struct {
        Bytes f32;
        std::string_view text;
    } cases[] = {
        {{0xC1, 0x20, 0x00, 0x00}, "-10.00"},
        {{0xC0, 0xEA, 0x3D, 0x71}, "-7.32"},
        {{0x3F, 0x80, 0xA3, 0xD7}, "1.00"},
        {{0x3E, 0x00, 0x00, 0x00}, "0.12"},
        {{0x3E, 0xC0, 0x00, 0x00}, "0.38"},
        {{0x00, 0x00, 0x00, 0x00}, "0.00"},
        {{0x7F, 0x7F, 0xFF, 0xFF}, "340282346638528859811704183484516925440.00"},
    };
    for (const auto& c : cases) {
        Bytes f{0xAA, 0x08, 0x02};
        f.insert(f.end(), c.f32.begin(), c.f32.end());
        f.push_back(0x55);
        EXPECT_EQ(FormatPower(DecodePower(Frame(f))), c.text);
    }
}

TEST(ReplyDecoder, ConnectReplyWalk) {
    const struct {
        Bytes frame;
        std::vector<int> waves;
        std::array<uint32_t, 4> lasers;
    } cases[] = {
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
        // Under 12 bytes the lasers read zeros past the frame's end.
        {{0xAA, 0x06, 0x01, 0x05, 0x1E, 0x55}, {}, {1310, 0x5500, 0, 0}},
    };
    for (const auto& c : cases) {
        const ConnectReply reply = DecodeConnect(Frame(c.frame));
        EXPECT_EQ(reply.waves, c.waves);
        EXPECT_EQ(reply.lasers, c.lasers);
    }
}

// A short frame that follows a long one through the same assembler must not show its bytes.
TEST(ReplyDecoder, ShortFramesReadZeroPastTheirEnd) {
    ReplyAssembler assembler;
    std::vector<ReplyFrame> frames;
    const Bytes stream{
        0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x11, 0x11,
        0x11, 0x11, 0x55, 0xAA, 0x05, 0x01, 0x07, 0x55, // connect, then short one
        0xAA, 0x08, 0x02, 0x11, 0x11, 0x11, 0x11, 0x55, 0xAA, 0x05, 0x02, 0xC1, 0x55, // power
    };
    Bytes longRecord = Record(1);
    std::fill(longRecord.begin() + 5, longRecord.end() - 1, 0x11);
    Bytes all = stream;
    all.insert(all.end(), longRecord.begin(), longRecord.end());
    all.insert(all.end(), {0xAA, 0x05, 0x05, 0x07, 0x55});
    for (uint8_t b : all)
        assembler.Feed(b, [&](const ReplyFrame& f) { frames.push_back(f); });
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(DecodeConnect(frames[1]).lasers, (std::array<uint32_t, 4>{0x0755, 0, 0, 0}));
    EXPECT_EQ(FormatPower(DecodePower(frames[3])), "-13.31"); // C1 55 00 00
    EXPECT_EQ(FormatRecordTexts(DecodeRecord(frames[5])),
              (Texts{"1878", "0", "0.00dBm", "", "", "2000-00-00  00:00  ", ""}));
    EXPECT_EQ(frames[5][5], 0);
    EXPECT_EQ(frames[5][199], 0);
    EXPECT_EQ(frames[5][100000], 0);
}

} // namespace
} // namespace vemla
