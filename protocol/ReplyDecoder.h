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

// The message of a reply code, UTF-8, in language 0 (English) or 1 (Chinese). Code 5 gives the
// upload-complete text (whether to show it is the caller's choice); code 2 gives "" (no
// message); unknown codes give the failure text; any other language gives "".
std::string_view ReplyMessage(uint8_t code, int language);

} // namespace vemla
