#include "FrameCodec.h"
#include "RecordFrame.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace vemla {
namespace {

using test::Bytes;
using test::Of;

TEST(FrameCodec, EveryOutboundFrameIsByteExact) {
    const Bytes waveList{0x05, 0x1E, 0x06, 0x0E, 0xBB}; // as PutWaveList lays it
    const std::pair<OutFrame, Bytes> cases[] = {
        {BuildFixedFrame(kConnectHex), {0xAA, 0x04, 0x01, 0x55}},
        {BuildFixedFrame(kReadPowerHex), {0xAA, 0x04, 0x02, 0x55}},
        {BuildFixedFrame(kUploadHex), {0xAA, 0x04, 0x05, 0x55}},
        {BuildDeleteAll(true), {0xAA, 0x04, 0x07, 0x55}},
        {BuildDeleteAll(false), {0xAA, 0x04, 0x07, 0xBB}},
        {BuildSelectWave(2), {0xAA, 0x05, 0x03, 0x02, 0x55}},
        {BuildSelectWave(-1), {0xAA, 0x05, 0x03, 0xFF, 0x55}},
        {BuildWaveEditChange(-1), {0xAA, 0x05, 0x0F, 0xFF, 0xBB}},
        {BuildDeleteSelected(3), {0xAA, 0x06, 0x06, 0x00, 0x04, 0x55}},
        {BuildDeleteSelected(255), {0xAA, 0x06, 0x06, 0x01, 0x00, 0x55}},
        {BuildSetCalibration(-7.32f), {0xAA, 0x08, 0x08, 0xC0, 0xEA, 0x3D, 0x71, 0x55}},
        {BuildSetTime(269, 10, 9, 15, 7), {0xAA, 0x09, 0x09, 0x0D, 0x0A, 0x09, 0x0F, 0x07, 0x55}},
        {BuildSetLasers({0x1051E, 1550, 1490, 7000}),
         {0xAA, 0x0C, 0x0B, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x1B, 0x58, 0x55}},
        {BuildSetPinType(1), {0xAA, 0x05, 0x0C, 0x01, 0x55}},
        {BuildSetDeviceWaves(-1, {}), {0xAA, 0x05, 0x0A, 0xFF, 0x55}},
        {BuildSetDeviceWaves(3, waveList),
         {0xAA, 0x0B, 0x0A, 0x03, 0x05, 0x1E, 0x06, 0x0E, 0xBB, 0x00, 0x55}},
    };
    for (const auto& [frame, expected] : cases)
        EXPECT_EQ(Of(frame), expected);
}

// The longest frame the program sends: past 20 the length byte would no longer be its size.
TEST(FrameCodec, DeviceWavesAboveTwentyAreBoundedToTwenty) {
    Bytes list(42), expected{0xAA, 45, 0x0A, 20};
    std::iota(list.begin(), list.end(), uint8_t{1});
    expected.resize(45, 0x55); // the header, then the first 20 pairs over all but the end byte
    std::copy_n(list.begin(), 40, expected.begin() + 4);
    for (int count : {20, 21, 100000})
        EXPECT_EQ(Of(BuildSetDeviceWaves(count, list)), expected) << count;
}

// Each step lays its list over the one before: what a longer list left after the end byte
// stays, and a count outside 1..20 changes nothing.
TEST(FrameCodec, WaveListIsBigEndianPairsModulo65536ThenTheEndByte) {
    std::array<int32_t, kMaxDeviceWaves> waves{70000, -1, 65536, 1550};
    waves.back() = 1310;
    std::array<uint8_t, kWaveListBytes> list{};
    const Bytes two{0x11, 0x70, 0xFF, 0xFF, 0xBB, 0x00, 0x06, 0x0E, 0xBB};
    const std::pair<int32_t, Bytes> steps[] = {
        {4, {0x11, 0x70, 0xFF, 0xFF, 0x00, 0x00, 0x06, 0x0E, 0xBB}}, {2, two}, {0, two}, {21, two}};
    for (const auto& [count, first9] : steps) {
        PutWaveList(count, waves, list);
        EXPECT_EQ(Bytes(list.begin(), list.begin() + 9), first9) << count;
    }
    PutWaveList(kMaxDeviceWaves, waves, list);
    EXPECT_EQ(Bytes(list.end() - 3, list.end()), (Bytes{0x05, 0x1E, 0xBB}));
}

TEST(FrameCodec, HexToBytesSkipsSpacesBetweenPairsAndStopsAtNonDigits) {
    const std::pair<std::string_view, Bytes> cases[] = {
        {"aa0401 55", {0xAA, 0x04, 0x01, 0x55}},
        {"aa 4", {0xAA}},
        {"a a", {}},
        {"aa zz 55", {0xAA}},
        {"  aa  ", {0xAA}},
        {"9aFf", {0x9A, 0xFF}},
    };
    std::array<uint8_t, 8> out{};
    for (const auto& [text, expected] : cases) {
        const std::size_t count = HexToBytes(text, out);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + count), expected) << text;
    }
    // The characters just outside each digit range, and a high-bit byte.
    for (const char c : {'/', ':', '@', 'G', '`', 'g', '\xC1'})
        EXPECT_EQ(HexToBytes(std::string{'0', c}, out), 0u) << int{c};
}

TEST(FrameCodec, HexToBytesNeverWritesPastTheOutput) {
    std::array<uint8_t, 4> out{0, 0, 0x77, 0x77};
    EXPECT_EQ(HexToBytes("aa 04 01 55 66", std::span(out).first(2)), 2u);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0xAA, 0x04, 0x77, 0x77}));
    EXPECT_EQ(HexToBytes("aa", std::span<uint8_t>()), 0u);
}

} // namespace
} // namespace vemla
