#pragma once

#include "FrameCodec.h"
#include "Record.h"
#include "ReplyFrame.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vemla {

// The values of a connect reply: the instrument's wavelengths and its four laser wavelengths.
struct ConnectReply {
    std::vector<int> waves;
    std::array<uint32_t, 4> lasers{};
};
// Wavelength pairs from entry 3 while the index is below L - 9, then the lasers from where the
// walk stopped: an odd L makes the last laser take the end byte, a short L reads zeros.
ConnectReply DecodeConnect(const ReplyFrame& f);

// The live power of entries 3..6.
float DecodePower(const ReplyFrame& f);
// "%.2f" (always with a '.', whatever the C locale says).
std::string FormatPower(float dBm);

// Code 5 with L 4 ends an upload; code 5 with any other L is a record.
bool IsUploadEnd(const ReplyFrame& f);

} // namespace vemla
