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

// The live power of entries 3..6, in dBm.
float DecodePower(const ReplyFrame& f);
// "%.2f" (always with a '.', whatever the C locale says).
std::string FormatPower(float dBm);

struct RecordDate {
    uint8_t year = 0, month = 0, day = 0, hour = 0, minute = 0; // year after 2000
};

// One uploaded record as the meter sent it.
struct RecordValues {
    uint16_t index = 0; // 0-based, as on the wire
    uint16_t wavelength = 0;
    float power = 0.0f;
    float reference = 0.0f;
    bool relative = false;
    RecordDate date;
};
RecordValues DecodeRecord(const ReplyFrame& f);

inline constexpr std::size_t kRecordTexts = 7;
// The texts a record is shown with: number, wavelength, power "dBm", relative "dB" or "",
// reference "dBm" or "", date, note.
std::array<std::string, kRecordTexts> FormatRecordTexts(const RecordValues& r);

// "2013-10-09  15:07  ": year after 2000, then month, day, hour and minute, two digits at least.
std::string RecordDateText(unsigned y, unsigned m, unsigned d, unsigned h, unsigned mi);

// Code 5 with L 4 ends an upload; code 5 with any other L is a record.
bool IsUploadEnd(const ReplyFrame& f);

// The message of a reply code, UTF-8, in language 0 (English) or 1 (Chinese). Code 5 gives the
// upload-complete text (whether to show it is the caller's choice); code 2 gives "" (no
// message); unknown codes give the failure text; any other language gives "".
std::string_view ReplyMessage(uint8_t code, int language);

} // namespace vemla
