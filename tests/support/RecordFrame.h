#pragma once
// Frames as bytes for the tests: the program's commands from the codec, and the replies a test
// feeds in, built with the meter's own reply encoders.

#include "FrameCodec.h"
#include "ReplyEncoder.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace vemla::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Of(const OutFrame& f) {
    return {f.View().begin(), f.View().end()};
}

// Hands the meter's bytes to the window or the session one by one, as the serial engine does.
template <class Receiver> void Feed(Receiver& to, const Bytes& bytes) {
    for (uint8_t b : bytes)
        to.OnRxChar(b, 1);
}

inline const Bytes kUploadEnd = EncodeUploadEnd();

// A 22-byte record frame: index, wavelength, power, reference -20.5, relative flag, date.
inline Bytes Record(uint16_t index, uint16_t wave = 1550, uint8_t relative = 1,
                    Bytes date = {13, 10, 9, 15, 7}, const Bytes& power = {0xC1, 0x20, 0, 0}) {
    const uint32_t bits = uint32_t{power.at(0)} << 24 | uint32_t{power.at(1)} << 16 |
                          uint32_t{power.at(2)} << 8 | power.at(3); // -10.0 as f32 BE by default
    return EncodeRecordReply({index,
                              wave,
                              std::bit_cast<float>(bits),
                              -20.5f,
                              relative != 0,
                              {date.at(0), date.at(1), date.at(2), date.at(3), date.at(4)}});
}

} // namespace vemla::test
