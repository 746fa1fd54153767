#include "MeterCore.h"
#include "ReplyAssembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

SimOptions Options(int records = 10) {
    SimOptions o;
    o.records = records;
    return o;
}

float FloatAt(const Bytes& b, std::size_t at) {
    const uint32_t bits = uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 |
                          uint32_t{b[at + 2]} << 8 | uint32_t{b[at + 3]};
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

struct CommandCase {
    const char* name;
    Bytes frame;
    Bytes reply;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandReply : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandReply, GivesExactReplyBytes) {
    MeterCore core(Options());
    EXPECT_EQ(core.Handle(GetParam().frame), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandReply,
    testing::Values(
        CommandCase{"Connect",
                    {0xAA, 0x04, 0x01, 0x55},
                    {0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2,
                     0x06, 0x59, 0x55}},
        CommandCase{"SelectWaveKnown", {0xAA, 0x05, 0x03, 0x01, 0x55}, {0xAA, 0x04, 0x03, 0x55}},
        CommandCase{
            "SelectWaveOutOfRange", {0xAA, 0x05, 0x03, 0x02, 0x55}, {0xAA, 0x04, 0xFC, 0x55}},
        CommandCase{
            "SelectWaveNoneChosen", {0xAA, 0x05, 0x03, 0xFF, 0x55}, {0xAA, 0x04, 0xFC, 0x55}},
        CommandCase{
            "DeleteSelectedFirst", {0xAA, 0x06, 0x06, 0x00, 0x01, 0x55}, {0xAA, 0x04, 0x06, 0x55}},
        CommandCase{
            "DeleteSelectedNoRow", {0xAA, 0x06, 0x06, 0x00, 0x00, 0x55}, {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"DeleteSelectedPastEnd",
                    {0xAA, 0x06, 0x06, 0x00, 0x0B, 0x55},
                    {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"DeleteAllChinese", {0xAA, 0x04, 0x07, 0x55}, {0xAA, 0x04, 0x07, 0x55}},
        CommandCase{"DeleteAllEnglishEndsInBB", {0xAA, 0x04, 0x07, 0xBB}, {0xAA, 0x04, 0x07, 0x55}},
        CommandCase{"SetCalibration",
                    {0xAA, 0x08, 0x08, 0xC0, 0xEA, 0x3D, 0x71, 0x55},
                    {0xAA, 0x04, 0x08, 0x55}},
        CommandCase{"SetCalibrationNotANumber",
                    {0xAA, 0x08, 0x08, 0x7F, 0xC0, 0x00, 0x00, 0x55},
                    {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"SetTime",
                    {0xAA, 0x09, 0x09, 0x0D, 0x0A, 0x09, 0x0F, 0x07, 0x55},
                    {0xAA, 0x04, 0x09, 0x55}},
        CommandCase{
            "SetDeviceWaves", {0xAA, 0x07, 0x0A, 0x01, 0x06, 0x0E, 0x55}, {0xAA, 0x04, 0x0A, 0x55}},
        CommandCase{"SetDeviceWavesCountMismatch",
                    {0xAA, 0x07, 0x0A, 0x02, 0x06, 0x0E, 0x55},
                    {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"SetLasers",
                    {0xAA, 0x0C, 0x0B, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59, 0x55},
                    {0xAA, 0x04, 0x0B, 0x55}},
        CommandCase{"SetPinTypeC", {0xAA, 0x05, 0x0C, 0x01, 0x55}, {0xAA, 0x04, 0x0C, 0x55}},
        CommandCase{"SetPinTypeUnknown", {0xAA, 0x05, 0x0C, 0x02, 0x55}, {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"WaveEditChangeHasNoReply", {0xAA, 0x05, 0x0F, 0xFF, 0xBB}, {}},
        CommandCase{"UnknownCode4", {0xAA, 0x04, 0x04, 0x55}, {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"UnknownCode0D", {0xAA, 0x04, 0x0D, 0x55}, {0xAA, 0x04, 0x04, 0x55}},
        CommandCase{"LengthByteDisagrees", {0xAA, 0x05, 0x01, 0x55}, {}},
        CommandCase{"TooShort", {0xAA, 0x04}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeterCore, ReadPowerDriftsAroundMinusTen) {
    MeterCore core(Options());
    std::vector<float> seen;
    for (int i = 0; i < 20; ++i) {
        const Bytes reply = core.Handle(Bytes{0xAA, 0x04, 0x02, 0x55});
        ASSERT_EQ(reply.size(), 8u);
        EXPECT_EQ((Bytes{reply[0], reply[1], reply[2], reply[7]}), (Bytes{0xAA, 0x08, 0x02, 0x55}));
        seen.push_back(FloatAt(reply, 3));
        EXPECT_NEAR(seen.back(), -10.0f, 0.1f);
    }
    EXPECT_GT(*std::max_element(seen.begin(), seen.end()),
              *std::min_element(seen.begin(), seen.end()));
}

struct RecordCase {
    uint16_t index;
    SimRecord record;
    Bytes bytes;
};

TEST(RecordEncoding, KnownValuesGiveKnownBytes) {
    const RecordCase cases[] = {
        {0,
         {1310, -10.0f, -20.5f, 1, 13, 10, 9, 15, 7},
         {0xAA, 0x16, 0x05, 0x00, 0x00, 0x05, 0x1E, 0xC1, 0x20, 0x00, 0x00,
          0xC1, 0xA4, 0x00, 0x00, 0x01, 0x0D, 0x0A, 0x09, 0x0F, 0x07, 0x55}},
        {65535,
         {1550, 1.5f, 0.0f, 0, 26, 12, 31, 23, 59},
         {0xAA, 0x16, 0x05, 0xFF, 0xFF, 0x06, 0x0E, 0x3F, 0xC0, 0x00, 0x00,
          0x00, 0x00, 0x00, 0x00, 0x00, 0x1A, 0x0C, 0x1F, 0x17, 0x3B, 0x55}},
        {256,
         {1625, -7.32f, -5.0f, 2, 9, 3, 1, 0, 0},
         {0xAA, 0x16, 0x05, 0x01, 0x00, 0x06, 0x59, 0xC0, 0xEA, 0x3D, 0x71,
          0xC0, 0xA0, 0x00, 0x00, 0x02, 0x09, 0x03, 0x01, 0x00, 0x00, 0x55}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeRecordFrame(c.index, c.record), c.bytes) << "index " << c.index;
}

bool IsLeap(int y) {
    return y % 4 == 0;
}

TEST(RecordGeneration, PlausibleValuesAndValidDates) {
    const std::vector<uint16_t> waves{1310, 1550, 1625};
    const auto records = GenerateRecords(5000, waves, 7);
    ASSERT_EQ(records.size(), 5000u);
    int relative = 0;
    for (const auto& r : records) {
        EXPECT_NE(std::find(waves.begin(), waves.end(), r.wavelength), waves.end());
        EXPECT_GE(r.power, -40.0f);
        EXPECT_LE(r.power, -5.0f);
        EXPECT_GE(r.reference, -40.0f);
        EXPECT_LE(r.reference, -5.0f);
        EXPECT_GE(r.year, 13);
        EXPECT_LE(r.year, 26);
        ASSERT_GE(r.month, 1);
        ASSERT_LE(r.month, 12);
        const int days[] = {31, IsLeap(r.year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        EXPECT_GE(r.day, 1);
        EXPECT_LE(r.day, days[r.month - 1]);
        EXPECT_LE(r.hour, 23);
        EXPECT_LE(r.minute, 59);
        relative += r.relative != 0;
    }
    EXPECT_GT(relative, 1000); // flags are mixed, not all one way
    EXPECT_LT(relative, 4000);
}

TEST(RecordGeneration, CountIsBoundedTo65536) {
    EXPECT_EQ(GenerateRecords(70000, {}, 1).size(), 65536u);
    EXPECT_TRUE(GenerateRecords(-5, {}, 1).empty());
}

Bytes Upload(MeterCore& core) {
    return core.Handle(Bytes{0xAA, 0x04, 0x05, 0x55});
}

Bytes ExpectedRecord(const MeterCore& core, std::size_t i) {
    return EncodeRecordFrame(static_cast<uint16_t>(i), core.Records()[i]);
}

TEST(Upload, RecordsThenEndFrame) {
    MeterCore core(Options(3));
    const Bytes up = Upload(core);
    ASSERT_EQ(up.size(), 3 * 22 + 4u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Bytes(up.begin() + 22 * i, up.begin() + 22 * (i + 1)), ExpectedRecord(core, i));
    EXPECT_EQ(Bytes(up.end() - 4, up.end()), (Bytes{0xAA, 0x04, 0x05, 0x55}));
}

TEST(Upload, DeleteSelectedRemovesThatRecordAndRenumbers) {
    MeterCore core(Options(5));
    const auto before = core.Records();
    ASSERT_EQ(core.Handle(Bytes{0xAA, 0x06, 0x06, 0x00, 0x02, 0x55}),
              (Bytes{0xAA, 0x04, 0x06, 0x55}));
    ASSERT_EQ(core.Records().size(), 4u);
    const Bytes up = Upload(core);
    ASSERT_EQ(up.size(), 4 * 22 + 4u);
    // Old records 0, 2, 3, 4 now go out as indices 0..3.
    const std::size_t kept[] = {0, 2, 3, 4};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(Bytes(up.begin() + 22 * i, up.begin() + 22 * (i + 1)),
                  EncodeRecordFrame(static_cast<uint16_t>(i), before[kept[i]]));
}

TEST(Upload, DeleteAllLeavesOnlyEndFrame) {
    MeterCore core(Options(5));
    core.Handle(Bytes{0xAA, 0x04, 0x07, 0xBB});
    EXPECT_TRUE(core.Records().empty());
    EXPECT_EQ(Upload(core), (Bytes{0xAA, 0x04, 0x05, 0x55}));
}

TEST(MeterCore, SetDeviceWavesChangesConnectReplyAndSelectRange) {
    MeterCore core(Options());
    core.Handle(Bytes{0xAA, 0x05, 0x03, 0x01, 0x55});
    EXPECT_EQ(core.SelectedWave(), 1);
    core.Handle(Bytes{0xAA, 0x07, 0x0A, 0x01, 0x06, 0x0E, 0x55});
    EXPECT_EQ(core.DeviceWaves(), (std::vector<uint16_t>{1550}));
    EXPECT_EQ(core.SelectedWave(), 0); // the selected index no longer exists
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x04, 0x01, 0x55}),
              (Bytes{0xAA, 0x0E, 0x01, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59,
                     0x55}));
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x05, 0x03, 0x01, 0x55}), (Bytes{0xAA, 0x04, 0xFC, 0x55}));
}

SimOptions Faulty(int records, auto setFault) {
    SimOptions o = Options(records);
    setFault(o.faults);
    return o;
}

TEST(UploadFaults, HangUpStopsAfterThatRecordWithoutEndFrame) {
    MeterCore core(Faulty(10, [](SimFaults& f) { f.hangUpAfterRecord = 3; }));
    const Bytes up = Upload(core);
    EXPECT_EQ(up.size(), 4 * 22u);
    ASSERT_TRUE(core.HangUpAfterBytes().has_value());
    EXPECT_EQ(*core.HangUpAfterBytes(), 4 * 22u);
    EXPECT_EQ(Bytes(up.end() - 22, up.end()), ExpectedRecord(core, 3));
    // Other commands carry no hang-up.
    core.Handle(Bytes{0xAA, 0x04, 0x01, 0x55});
    EXPECT_FALSE(core.HangUpAfterBytes().has_value());
}

// The program's own assembler reads each damaged upload: only the damaged record may go missing,
// every other one arrives whole and in order, and the end frame still closes the upload.
struct DamageCase {
    const char* name;
    void (*set)(SimFaults&);
    int lost; // record index the damage may cost, -1 for none
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedUpload : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedUpload, ProgramAssemblerRecoversEveryOtherRecord) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SimOptions o = Options(300);
        o.faults.seed = seed;
        GetParam().set(o.faults);
        MeterCore core(o);
        const Bytes up = Upload(core);
        ReplyAssembler assembler;
        std::vector<Bytes> got;
        for (uint8_t b : up)
            assembler.Feed(b, [&](const ReplyFrame& f) {
                got.emplace_back(f.Bytes().begin(), f.Bytes().end());
            });
        std::vector<Bytes> expected;
        for (std::size_t i = 0; i < 300; ++i)
            if (static_cast<int>(i) != GetParam().lost)
                expected.push_back(ExpectedRecord(core, i));
        expected.push_back({0xAA, 0x04, 0x05, 0x55});
        EXPECT_EQ(got, expected) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedUpload,
    testing::Values(DamageCase{"Noise", [](SimFaults& f) { f.noise = true; }, -1},
                    DamageCase{"CutRecord", [](SimFaults& f) { f.cutRecord = 100; }, 100},
                    DamageCase{"CorruptLength", [](SimFaults& f) { f.corruptLengthRecord = 7; }, 7},
                    DamageCase{"Overlong", [](SimFaults& f) { f.overlongRecord = 50; }, -1},
                    DamageCase{"AllAtOnce",
                               [](SimFaults& f) {
                                   f.noise = true;
                                   f.cutRecord = 10;
                                   f.overlongRecord = 20;
                               },
                               10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UploadFaults, FaultsOnlyTouchUploads) {
    MeterCore core(Faulty(10, [](SimFaults& f) {
        f.noise = true;
        f.hangUpAfterRecord = 0;
    }));
    EXPECT_EQ(core.Handle(Bytes{0xAA, 0x04, 0x07, 0x55}), (Bytes{0xAA, 0x04, 0x07, 0x55}));
    EXPECT_FALSE(core.HangUpAfterBytes().has_value());
}

TEST(CommandFramer, SplitsFramesBySizeAndSkipsGarbage) {
    CommandFramer framer;
    const Bytes stream{0x00, 0x55, 0xAA, 0x04, 0x01, 0x55, 0x13, 0xAA, 0x05,
                       0x0F, 0x00, 0xBB, 0xAA, 0x06, 0x06, 0x00, 0xAA, 0x55};
    const auto frames = framer.Feed(stream);
    EXPECT_EQ(frames, (std::vector<Bytes>{{0xAA, 0x04, 0x01, 0x55},
                                          {0xAA, 0x05, 0x0F, 0x00, 0xBB},
                                          {0xAA, 0x06, 0x06, 0x00, 0xAA, 0x55}}));
    EXPECT_EQ(framer.Pending(), 0u);
}

TEST(CommandFramer, BadFrameIsDroppedAndFrameInsideItKept) {
    const struct {
        Bytes stream;
        std::vector<Bytes> frames;
    } cases[] = {
        // Length 2: cannot be a frame; the AA after it starts the real one.
        {{0xAA, 0x02, 0xAA, 0x04, 0x02, 0x55}, {{0xAA, 0x04, 0x02, 0x55}}},
        // Length 200: longer than any command; the frame starting inside is kept.
        {{0xAA, 0xC8, 0x00, 0xAA, 0x04, 0x05, 0x55}, {{0xAA, 0x04, 0x05, 0x55}}},
        // Cut frame: wrong byte at the end position, rescanned from the AA inside it.
        {{0xAA, 0x06, 0x06, 0xAA, 0x04, 0x01, 0x55}, {{0xAA, 0x04, 0x01, 0x55}}},
        // Start byte as length: AA AA is re-read with the second AA as start.
        {{0xAA, 0xAA, 0x04, 0x07, 0xBB}, {{0xAA, 0x04, 0x07, 0xBB}}},
        // Byte by byte split is the same as all at once; nothing complete yet.
        {{0xAA, 0x0C, 0x0B}, {}},
    };
    for (const auto& c : cases) {
        CommandFramer framer;
        EXPECT_EQ(framer.Feed(c.stream), c.frames);
        CommandFramer byByte;
        std::vector<Bytes> got;
        for (uint8_t b : c.stream)
            for (auto& f : byByte.Feed(std::span(&b, 1)))
                got.push_back(f);
        EXPECT_EQ(got, c.frames);
    }
}

TEST(CommandFramer, NeverHoldsMoreThanTheLongestFrame) {
    CommandFramer framer;
    Bytes junk(10000, 0x40);
    junk[0] = 0xAA;
    junk[1] = 0x40; // 64: allowed length, never ends on 55/BB
    for (std::size_t i = 0; i < junk.size(); i += 37)
        junk[i] = 0xAA;
    framer.Feed(junk);
    EXPECT_LE(framer.Pending(), CommandFramer::kMaxFrame);
}

} // namespace
} // namespace vemla
