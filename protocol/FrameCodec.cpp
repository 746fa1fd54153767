#include "FrameCodec.h"

#include "FrameWriter.h"

#include <algorithm>
#include <bit>

namespace vemla {

namespace {

// Index arguments go out as their low 8 bits, so -1 becomes FF.
uint32_t Low8(int value) {
    return static_cast<uint32_t>(value) & 0xFFu;
}

// 0..15 for a hex digit, 16 for anything else (high-bit bytes included).
int HexDigitValue(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return 16;
}

} // namespace

std::size_t HexToBytes(std::string_view text, std::span<uint8_t> out) {
    std::size_t count = 0;
    std::size_t j = 0;
    const std::size_t n = text.size();
    while (j < n && count < out.size()) {
        if (text[j] == ' ') {
            ++j;
            continue;
        }
        if (j + 1 >= n)
            break; // a lone digit at the very end is dropped
        const int hi = HexDigitValue(text[j]);
        const int lo = HexDigitValue(text[j + 1]);
        if (hi == 16 || lo == 16)
            break;
        out[count++] = static_cast<uint8_t>(hi * 16 + lo);
        j += 2;
    }
    return count;
}

void PutUInt32LE(uint32_t value, std::span<uint8_t, 4> out) {
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

float FloatFromBytesBE(std::span<const uint8_t, 4> in) {
    const uint32_t bits = (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) |
                          (uint32_t{in[2]} << 8) | uint32_t{in[3]};
    return std::bit_cast<float>(bits);
}

void PutU16BE(std::span<uint8_t, 2> out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

void PutF32BE(std::span<uint8_t, 4> out, float value) {
    std::array<uint8_t, 4> scratch{};
    PutUInt32LE(std::bit_cast<uint32_t>(value), scratch);
    std::reverse_copy(scratch.begin(), scratch.end(), out.begin());
}

OutFrame BuildFixedFrame(std::string_view hex) {
    OutFrame frame;
    frame.size = HexToBytes(hex, frame.bytes);
    return frame;
}

OutFrame BuildSelectWave(int listIndex) {
    FrameWriter w(FrameCode::SelectWave);
    w.Byte(Low8(listIndex));
    return w.End();
}

OutFrame BuildWaveEditChange(int portListIndex) {
    FrameWriter w(FrameCode::WaveEditChange);
    w.Byte(Low8(portListIndex));
    return w.End(kFrameEndAlt);
}

OutFrame BuildDeleteSelected(int rowIndex) {
    FrameWriter w(FrameCode::DeleteSelected);
    // Unsigned, so a huge row index wraps instead of overflowing an int.
    w.U16(static_cast<uint32_t>(rowIndex) + 1u);
    return w.End();
}

OutFrame BuildDeleteAll(bool chinese) {
    return BuildFixedFrame(chinese ? kDeleteAllChineseHex : kDeleteAllEnglishHex);
}

OutFrame BuildSetCalibration(float value) {
    FrameWriter w(FrameCode::SetCalibration);
    w.F32(value);
    return w.End();
}

OutFrame BuildSetTime(uint32_t y, uint32_t mo, uint32_t d, uint32_t h, uint32_t mi) {
    FrameWriter w(FrameCode::SetTime);
    for (uint32_t field : {y, mo, d, h, mi})
        w.Byte(field);
    return w.End();
}

OutFrame BuildSetDeviceWaves(int waveCount, std::span<const uint8_t> waveList) {
    // A count <= 0 carries no pairs, but its byte still goes out as sent.
    const int pairs = std::clamp(waveCount, 0, kMaxDeviceWaves);
    const int countByte = waveCount <= 0 ? waveCount : pairs;
    FrameWriter w(FrameCode::SetDeviceWaves);
    w.Byte(Low8(countByte));
    for (std::size_t i = 0; i < static_cast<std::size_t>(2 * pairs); ++i)
        w.Byte(i < waveList.size() ? waveList[i] : 0);
    return w.End();
}

void PutWaveList(int32_t count, std::span<const int32_t, kMaxDeviceWaves> waves,
                 std::span<uint8_t, kWaveListBytes> list) {
    if (!WaveCountInRange(count))
        return;
    const auto pairs = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < pairs; ++i)
        PutU16BE(list.subspan(2 * i).first<2>(), static_cast<uint32_t>(waves[i]));
    list[2 * pairs] = kWaveListEnd;
}

OutFrame BuildSetLasers(const std::array<uint32_t, 4>& lasers) {
    FrameWriter w(FrameCode::SetLasers);
    for (uint32_t laser : lasers)
        w.U16(laser);
    return w.End();
}

OutFrame BuildSetPinType(int type) {
    FrameWriter w(FrameCode::SetPinType);
    w.Byte(Low8(type));
    return w.End();
}

} // namespace vemla
