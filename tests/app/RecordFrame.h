#pragma once
// Reply frames the window tests feed to OnRxChar, built byte by byte so a test reads what the
// meter sends.

#include <cstdint>
#include <vector>

namespace vemla::test {

using Bytes = std::vector<uint8_t>;

inline const Bytes kMinus10{0xC1, 0x20, 0x00, 0x00};   // -10.0 as f32 BE
inline const Bytes kMinus20_5{0xC1, 0xA4, 0x00, 0x00}; // -20.5
inline const Bytes kUploadEnd{0xAA, 0x04, 0x05, 0x55};

// A 22-byte record frame: index, wavelength, power, reference, relative flag, date.
inline Bytes Record(uint16_t index, uint16_t wave = 1550, uint8_t relative = 1,
                    Bytes date = {13, 10, 9, 15, 7}, const Bytes& power = kMinus10) {
    Bytes f{0xAA, 22, 0x05, uint8_t(index >> 8), uint8_t(index), uint8_t(wave >> 8), uint8_t(wave)};
    f.insert(f.end(), power.begin(), power.end());
    f.insert(f.end(), kMinus20_5.begin(), kMinus20_5.end());
    f.push_back(relative);
    f.insert(f.end(), date.begin(), date.end());
    f.push_back(0x55);
    return f;
}

} // namespace vemla::test
