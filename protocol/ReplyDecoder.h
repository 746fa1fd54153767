#pragma once

#include "FrameCodec.h"
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

// The live power of entries 3..6, "%.2f" (always with a '.', whatever the C locale says).
std::string DecodePowerText(const ReplyFrame& f);

// One uploaded record as a table row.
struct RecordRow {
    int number = 0;         // record index + 1 (1..65536)
    float reference = 0.0f; // becomes the window's last reference value
    int wavelength = 0;
    float power = 0.0f;
    bool relative = false;
    // number, wavelength, power "dBm", relative "dB" or "", reference "dBm" or "", date, note
    std::array<std::string, 7> cells;
};
RecordRow DecodeRecord(const ReplyFrame& f);

// "2013-10-09  15:07  ": year after 2000, then month, day, hour and minute, two digits at least.
std::string RecordDateText(unsigned y, unsigned m, unsigned d, unsigned h, unsigned mi);

// Code 5 with L 4 ends an upload; code 5 with any other L is a record.
bool IsUploadEnd(const ReplyFrame& f);

} // namespace vemla
