#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vemla {

// A command and its reply carry the same code.
enum class FrameCode : uint8_t {
    Connect = 0x01,
    ReadPower = 0x02,
    SelectWave = 0x03,
    Failure = 0x04, // a reply only: the meter refused the command
    Upload = 0x05,
    DeleteSelected = 0x06,
    DeleteAll = 0x07,
    SetCalibration = 0x08,
    SetTime = 0x09,
    SetDeviceWaves = 0x0A,
    SetLasers = 0x0B,
    SetPinType = 0x0C,
    WaveEditChange = 0x0F,
    SelectWaveFailed = 0xFC // a reply only: the wavelength asked for is not one the meter has
};

inline constexpr uint8_t kFrameStart = 0xAA, kFrameEnd = 0x55, kFrameEndAlt = 0xBB;

// The five frames the program keeps as text and converts just before sending.
inline constexpr std::string_view kConnectHex = "aa 04 01 55", kReadPowerHex = "aa 04 02 55",
                                  kUploadHex = "aa 04 05 55", kDeleteAllChineseHex = "aa 04 07 55",
                                  kDeleteAllEnglishHex = "aa 04 07 bb";

// The wave list of SetDeviceWaves holds at most this many wavelengths.
inline constexpr int kMaxDeviceWaves = 20;

// SET WAVE and set device wavelengths accept 1..20 wavelengths.
constexpr bool WaveCountInRange(int32_t count) {
    return count >= 1 && count <= kMaxDeviceWaves;
}

// The wave list: a u16 BE pair per wavelength and the end byte 0xBB.
inline constexpr std::size_t kWaveListBytes = 2 * kMaxDeviceWaves + 1;
inline constexpr uint8_t kWaveListEnd = 0xBB;

// Converts pairs of hex digits, skipping spaces between pairs; stops at the first non-digit,
// at a lone trailing digit, or when out is full. Returns the number of bytes written.
std::size_t HexToBytes(std::string_view text, std::span<uint8_t> out);

void PutUInt32LE(uint32_t value, std::span<uint8_t, 4> out);
float FloatFromBytesBE(std::span<const uint8_t, 4> in);
// Bits 8..15 then 0..7; higher bits are dropped.
void PutU16BE(std::span<uint8_t, 2> out, uint32_t value);
void PutF32BE(std::span<uint8_t, 4> out, float value);

// An outbound frame; the longest we send is 45 bytes.
struct OutFrame {
    std::array<uint8_t, 64> bytes{};
    std::size_t size = 0;
    std::span<const uint8_t> View() const { return {bytes.data(), size}; }
};

OutFrame BuildFixedFrame(std::string_view hex);
OutFrame BuildSelectWave(int listIndex);         // -1 (no entry chosen) goes out as FF
OutFrame BuildWaveEditChange(int portListIndex); // ends in BB
OutFrame BuildDeleteSelected(int rowIndex);      // carries rowIndex + 1
OutFrame BuildDeleteAll(bool chinese);           // the English one ends in BB
OutFrame BuildSetCalibration(float value);
OutFrame BuildSetTime(uint32_t y, uint32_t mo, uint32_t d, uint32_t h, uint32_t mi);
// waveList: u16 BE pairs (then 0xBB) as PutWaveList lays them. A count above 20 is
// bounded to 20; pairs missing from a short list go out as 0; a count <= 0 sends no pairs.
OutFrame BuildSetDeviceWaves(int waveCount, std::span<const uint8_t> waveList);
// Lays WAVE1..WAVEcount of waves into list, each modulo 65536, then the end byte. The bytes
// after it stay as an earlier, longer list left them; a count outside 1..20 changes nothing.
void PutWaveList(int32_t count, std::span<const int32_t, kMaxDeviceWaves> waves,
                 std::span<uint8_t, kWaveListBytes> list);
OutFrame BuildSetLasers(const std::array<uint32_t, 4>& lasers);
OutFrame BuildSetPinType(int type); // 0 for "A", 1 for "C"

} // namespace vemla
