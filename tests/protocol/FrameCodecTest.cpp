#include "FrameCodec.h"

#include <gtest/gtest.h>

#include <vector>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const OutFrame& f) {
    return {f.View().begin(), f.View().end()};
}

Bytes DeviceWaves(int count, int pairsSent, int countByte) {
    Bytes list,
        frame{0xAA, static_cast<uint8_t>(2 * pairsSent + 5), 0x0A, static_cast<uint8_t>(countByte)};
    for (int i = 0; i < 21; ++i) { // 1300, 1301, ... then BB, as the wave list dialog builds it
        list.push_back(static_cast<uint8_t>((1300 + i) >> 8));
        list.push_back(static_cast<uint8_t>(1300 + i));
    }
    list.push_back(0xBB);
    frame.insert(frame.end(), list.begin(), list.begin() + 2 * pairsSent);
    frame.push_back(0x55);
    EXPECT_EQ(Of(BuildSetDeviceWaves(count, list)), frame) << "count " << count;
    return frame;
}

TEST(FrameCodec, EveryOutboundFrameIsByteExact) {
    const struct {
        OutFrame frame;
        Bytes expected;
    } cases[] = {
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
        {BuildSetDeviceWaves(0, {}), {0xAA, 0x05, 0x0A, 0x00, 0x55}},
        {BuildSetDeviceWaves(-1, {}), {0xAA, 0x05, 0x0A, 0xFF, 0x55}},
        {BuildSetDeviceWaves(2, Bytes{0x06, 0x0E}),
         {0xAA, 0x09, 0x0A, 0x02, 0x06, 0x0E, 0x00, 0x00, 0x55}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Of(c.frame), c.expected);
}

TEST(FrameCodec, DeviceWavesAboveTwentyAreBoundedToTwenty) {
    DeviceWaves(3, 3, 3);
    EXPECT_EQ(DeviceWaves(20, 20, 20).size(), 45u);
    EXPECT_EQ(DeviceWaves(21, 20, 20).size(), 45u);
    EXPECT_EQ(DeviceWaves(100000, 20, 20).size(), 45u);
}

TEST(FrameCodec, HexToBytesSkipsSpacesBetweenPairsAndStopsAtNonDigits) {
    const struct {
        std::string_view text;
        Bytes expected;
    } cases[] = {
        {"aa 04 01 55", {0xAA, 0x04, 0x01, 0x55}},
        {"aa0401 55", {0xAA, 0x04, 0x01, 0x55}},
        {"aa 4", {0xAA}},
        {"a a", {}},
        {"aa zz 55", {0xAA}},
        {"", {}},
        {"  aa  ", {0xAA}},
        {"aa 0 4", {0xAA}},
        {"Ff", {0xFF}},
    };
    for (const auto& c : cases) {
        std::array<uint8_t, 8> out{};
        const std::size_t count = HexToBytes(c.text, out);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + count), c.expected) << c.text;
    }
}

TEST(FrameCodec, HexToBytesNeverWritesPastTheOutput) {
    std::array<uint8_t, 4> out{0, 0, 0x77, 0x77};
    EXPECT_EQ(HexToBytes("aa 04 01 55 66", std::span(out).first(2)), 2u);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0xAA, 0x04, 0x77, 0x77}));
    EXPECT_EQ(HexToBytes("aa", std::span<uint8_t>()), 0u);
}

TEST(FrameCodec, HexDigitValueRejectsNonDigitsAndHighBitBytes) {
    // The characters just outside each digit range, and a byte with the high bit set.
    const std::pair<char, int> cases[] = {{'9', 9},  {'a', 10}, {'F', 15}, {'G', 16},
                                          {'/', 16}, {':', 16}, {'@', 16}, {'\xC1', 16}};
    for (const auto& [c, value] : cases)
        EXPECT_EQ(HexDigitValue(c), value) << int{c};
}

} // namespace
} // namespace vemla
