// The simulated meter's own decisions: which reply each command gets, what it stores, the
// readings it makes up. Not repeated here: reply byte images (tests/protocol/ReplyEncoderTest),
// framing the program's bytes (tests/protocol/CommandFramerTest), and uploads, deletes and
// damaged uploads as the program reads them (tests/app/SessionTest).
#include "MeterCore.h"
#include "ReplyDecoder.h"
#include "ReplyEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

SimOptions Options(int records = 10) {
    SimOptions o;
    o.records = records;
    return o;
}

struct CommandCase {
    const char* name;
    Bytes frame;
    Bytes reply;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kFailed = EncodeFailure();

// Each row reaches one of the meter's own checks: a frame size, a range, a value it refuses.
const CommandCase kCommands[] = {
    {"SelectWaveNoneChosen", {0xAA, 0x05, 0x03, 0xFF, 0x55}, EncodeSelectWaveFailed()},
    {"DeleteSelectedNoRow", {0xAA, 0x06, 0x06, 0x00, 0x00, 0x55}, kFailed},
    {"DeleteSelectedPastEnd", {0xAA, 0x06, 0x06, 0x00, 0x0B, 0x55}, kFailed},
    {"SetCalibration",
     {0xAA, 0x08, 0x08, 0xC0, 0xEA, 0x3D, 0x71, 0x55},
     EncodeAck(FrameCode::SetCalibration)},
    {"SetCalibrationNotANumber", {0xAA, 0x08, 0x08, 0x7F, 0xC0, 0x00, 0x00, 0x55}, kFailed},
    {"SetTime",
     {0xAA, 0x09, 0x09, 0x0D, 0x0A, 0x09, 0x0F, 0x07, 0x55},
     EncodeAck(FrameCode::SetTime)},
    {"SetDeviceWavesCountMismatch", {0xAA, 0x07, 0x0A, 0x02, 0x06, 0x0E, 0x55}, kFailed},
    {"SetLasers",
     {0xAA, 0x0C, 0x0B, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59, 0x55},
     EncodeAck(FrameCode::SetLasers)},
    {"SetPinTypeC", {0xAA, 0x05, 0x0C, 0x01, 0x55}, EncodeAck(FrameCode::SetPinType)},
    {"SetPinTypeUnknown", {0xAA, 0x05, 0x0C, 0x02, 0x55}, kFailed},
    {"WaveEditChangeHasNoReply", {0xAA, 0x05, 0x0F, 0xFF, 0xBB}, {}},
    {"UnknownCode0D", {0xAA, 0x04, 0x0D, 0x55}, kFailed},
    {"LengthByteDisagrees", {0xAA, 0x05, 0x01, 0x55}, {}},
};

class CommandReply : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandReply, GivesExactReplyBytes) {
    MeterCore core(Options());
    EXPECT_EQ(core.Handle(GetParam().frame), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CommandReply, testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeterCore, ReadPowerDriftsAroundMinusTen) {
    MeterCore core(Options());
    std::vector<float> seen;
    for (int i = 0; i < 20; ++i) {
        const Bytes reply = core.Handle(Bytes{0xAA, 0x04, 0x02, 0x55});
        seen.push_back(DecodePower(ReplyFrame(reply)));
        EXPECT_EQ(reply, EncodePowerReply(seen.back()));
        EXPECT_NEAR(seen.back(), -10.0f, 0.1f);
    }
    EXPECT_GT(*std::max_element(seen.begin(), seen.end()),
              *std::min_element(seen.begin(), seen.end()));
}

TEST(RecordGeneration, PlausibleValuesAndValidDates) {
    const std::vector<uint16_t> waves{1310, 1550, 1625};
    const auto records = GenerateRecords(5000, waves, 7);
    ASSERT_EQ(records.size(), 5000u);
    int relative = 0;
    for (const RecordValues& r : records) {
        const RecordDate& d = r.date;
        EXPECT_NE(std::find(waves.begin(), waves.end(), r.wavelength), waves.end());
        EXPECT_TRUE(r.power >= -40.0f && r.power <= -5.0f) << r.power;
        EXPECT_TRUE(r.reference >= -40.0f && r.reference <= -5.0f) << r.reference;
        EXPECT_TRUE(d.year >= 13 && d.year <= 26) << int{d.year};
        ASSERT_TRUE(d.month >= 1 && d.month <= 12) << int{d.month};
        const int days[] = {31, d.year % 4 == 0 ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        EXPECT_TRUE(d.day >= 1 && d.day <= days[d.month - 1]) << int{d.day};
        EXPECT_TRUE(d.hour <= 23 && d.minute <= 59);
        relative += r.relative;
    }
    EXPECT_GT(relative, 1000); // flags are mixed, not all one way
    EXPECT_LT(relative, 4000);
}

TEST(RecordGeneration, CountIsBoundedTo65536) {
    EXPECT_EQ(GenerateRecords(70000, {}, 1).size(), 65536u);
    EXPECT_TRUE(GenerateRecords(-5, {}, 1).empty());
}

TEST(MeterCore, SetDeviceWavesChangesConnectReplyAndSelectRange) {
    MeterCore core(Options());
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x05, 0x03, 0x01, 0x55}), EncodeAck(FrameCode::SelectWave));
    EXPECT_EQ(core.SelectedWave(), 1);
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x07, 0x0A, 0x01, 0x06, 0x0E, 0x55}),
              EncodeAck(FrameCode::SetDeviceWaves));
    EXPECT_EQ(core.SelectedWave(), 0); // the selected index no longer exists
    const std::vector<uint16_t> waves{1550};
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x04, 0x01, 0x55}),
              EncodeConnectReply(waves, {1310, 1550, 1490, 1625}));
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x05, 0x03, 0x01, 0x55}), EncodeSelectWaveFailed());
}

TEST(UploadFaults, FaultsOnlyTouchUploads) {
    SimOptions o = Options();
    o.faults.noise = true;
    o.faults.hangUpAfterRecord = 0;
    MeterCore core(o);
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x04, 0x07, 0x55}), EncodeAck(FrameCode::DeleteAll));
    EXPECT_FALSE(core.HangUpAfterBytes().has_value());
}

} // namespace
} // namespace vemla
