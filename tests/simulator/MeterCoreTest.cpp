// The simulated meter's own decisions: which reply each command gets, what it stores, the
// readings it makes up. Not repeated here: reply and command byte images
// (tests/protocol/ReplyEncoderTest, FrameCodecTest), framing the program's bytes
// (tests/protocol/CommandFramerTest), uploads and damaged uploads as the program reads them, the
// link path included (tests/session/MeterSessionTest), pacing (tests/session/LiveMonitorTest).
#include "MeterCore.h"
#include "RecordFrame.h"
#include "ReplyDecoder.h"
#include "ReplyEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <limits>

namespace vemla {
namespace {

using test::Bytes;
using test::Of;

// Each row reaches one of the meter's own checks: a frame size, a range, a value it refuses.
TEST(MeterCore, EachCommandGetsItsAckOrItsRefusal) {
    const Bytes failed = EncodeFailure();
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        Bytes frame;
        Bytes reply;
    } cases[] = {
        {"select wave, none chosen", Of(BuildSelectWave(-1)), EncodeSelectWaveFailed()},
        {"delete selected, no row", Of(BuildDeleteSelected(-1)), failed},
        {"delete selected, past the end", Of(BuildDeleteSelected(10)), failed},
        {"calibration", Of(BuildSetCalibration(-7.32f)), EncodeAck(FrameCode::SetCalibration)},
        {"calibration not a number", Of(BuildSetCalibration(notANumber)), failed},
        {"time", Of(BuildSetTime(13, 10, 9, 15, 7)), EncodeAck(FrameCode::SetTime)},
        {"device waves, count mismatch", {0xAA, 0x07, 0x0A, 0x02, 0x06, 0x0E, 0x55}, failed},
        {"lasers", Of(BuildSetLasers({1310, 1550, 1490, 1625})), EncodeAck(FrameCode::SetLasers)},
        {"pin type C", Of(BuildSetPinType(1)), EncodeAck(FrameCode::SetPinType)},
        {"pin type unknown", Of(BuildSetPinType(2)), failed},
        {"wave edit change has no reply", Of(BuildWaveEditChange(-1)), {}},
        {"unknown code 0D", {0xAA, 0x04, 0x0D, 0x55}, failed},
        {"length byte disagrees", {0xAA, 0x05, 0x01, 0x55}, {}},
    };
    for (const auto& c : cases) {
        MeterCore core{SimOptions{}};
        EXPECT_EQ(core.Handle(c.frame), c.reply) << c.name;
    }
}

TEST(RecordGeneration, PlausibleValuesValidDatesAndABoundedCount) {
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
        using namespace std::chrono;
        EXPECT_TRUE(year_month_day(year(2000 + d.year), month(d.month), day(d.day)).ok())
            << int{d.month} << '-' << int{d.day};
        EXPECT_TRUE(d.hour <= 23 && d.minute <= 59);
        relative += r.relative;
    }
    EXPECT_GT(relative, 1000); // flags are mixed, not all one way
    EXPECT_LT(relative, 4000);
    EXPECT_EQ(GenerateRecords(70000, {}, 1).size(), 65536u) << "the count is bounded";
    EXPECT_TRUE(GenerateRecords(-5, {}, 1).empty());
}

// The reading drifts around -10 dBm and steps down 0.35 dB per wavelength index: it tells which
// one is selected.
TEST(MeterCore, SetDeviceWavesChangesConnectReplyAndSelectRange) {
    MeterCore core{SimOptions{}};
    const auto power = [&] {
        return DecodePower(ReplyFrame(core.Handle(Of(BuildFixedFrame(kReadPowerHex)))));
    };
    EXPECT_NEAR(power(), -10.0f, 0.1f);
    EXPECT_EQ(core.Handle(Of(BuildSelectWave(1))), EncodeAck(FrameCode::SelectWave));
    EXPECT_NEAR(power(), -10.35f, 0.1f);
    EXPECT_EQ(core.Handle(Of(BuildSetDeviceWaves(1, Bytes{0x06, 0x0E}))),
              EncodeAck(FrameCode::SetDeviceWaves));
    EXPECT_NEAR(power(), -10.0f, 0.1f); // the selected index no longer exists: the first is
    EXPECT_EQ(core.Handle(Of(BuildFixedFrame(kConnectHex))),
              EncodeConnectReply(std::vector<uint16_t>{1550}, {1310, 1550, 1490, 1625}));
    EXPECT_EQ(core.Handle(Of(BuildSelectWave(1))), EncodeSelectWaveFailed());
}

// Served side by side, each meter keeps to its own level and its own jitter, and a run repeats:
// a reading credited to the wrong meter is off by whole dB.
TEST(MeterCore, SeveralMetersEachReadAroundTheirOwnLevelWithTheirOwnJitter) {
    const auto readings = [](int meter) {
        MeterCore core{OptionsOfMeter(SimOptions{}, meter)};
        std::vector<float> offsets;
        for (int i = 0; i < 200; ++i)
            offsets.push_back(
                DecodePower(ReplyFrame(core.Handle(Of(BuildFixedFrame(kReadPowerHex))))) + 10.0f +
                static_cast<float>(kSimLevelStep) * meter);
        return offsets;
    };
    std::vector<float> before;
    for (int meter = 0; meter < kSimMaxMeters; ++meter) {
        const std::vector<float> offsets = readings(meter);
        const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
        EXPECT_TRUE(*low > -0.15f && *high < 0.15f) << meter << ": " << *low << " " << *high;
        EXPECT_EQ(readings(meter), offsets) << meter;
        EXPECT_NE(offsets, before) << meter;
        before = offsets;
    }
}

// The meter numbers its records by position: those behind a deleted one move up one.
TEST(MeterCore, DeleteSelectedMovesTheLaterRecordsUpAndDeleteAllEmptiesTheStore) {
    MeterCore core{SimOptions{}}; // ten records
    const float fourth = core.Records()[3].power;
    EXPECT_EQ(core.Handle(Of(BuildDeleteSelected(2))), EncodeAck(FrameCode::DeleteSelected));
    ASSERT_EQ(core.Records().size(), 9u);
    const RecordValues& third = core.Records()[2];
    EXPECT_EQ(std::tuple(third.index, third.power), std::tuple(2, fourth));
    EXPECT_EQ(core.Records().back().index, 8);
    core.Handle(Of(BuildDeleteAll(false)));
    EXPECT_TRUE(core.Records().empty());
}

TEST(UploadFaults, FaultsOnlyTouchUploads) {
    SimOptions o;
    o.faults.noise = true;
    o.faults.hangUpAfterRecord = 0;
    MeterCore core(o);
    EXPECT_EQ(core.Handle(Of(BuildDeleteAll(true))), EncodeAck(FrameCode::DeleteAll));
    EXPECT_FALSE(core.HangUpAfterBytes().has_value());
}

} // namespace
} // namespace vemla
