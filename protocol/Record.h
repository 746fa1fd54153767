#pragma once

#include "ReplyFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vemla {

// A record's date as the meter stores it: the year after 2000, the rest as on its clock.
struct RecordDate {
    uint8_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// One stored reading, typed as it travels in a record reply.
struct RecordValues {
    uint16_t index = 0; // 0-based, as on the wire
    uint16_t wavelength = 0;
    float power = 0.0f;
    float reference = 0.0f;
    bool relative = false;
    RecordDate date;
};

// No optical power meter reads beyond ±100 dBm (handhelds stop near +26): a stored power or
// reference outside, or no finite number at all, is a damaged value, never a reading. Every
// output shows it as "no value", so none refuses what another wrote.
inline constexpr float kMaxPowerDbm = 100.0f;
constexpr bool IsPowerReading(float dBm) {
    return dBm >= -kMaxPowerDbm && dBm <= kMaxPowerDbm; // false for NaN too
}
// What the table shows for a value that is no reading: an em dash, never "nandBm".
inline constexpr const char* kNoValueText = "\u2014";

// A record reply's entries 3..20; any non-zero flag byte means relative. Bytes missing from a
// short frame read as 0.
RecordValues DecodeRecord(const ReplyFrame& f);

// The seven texts a record is shown with: number (index + 1), wavelength, power "dBm",
// relative "dB" or "", reference "dBm" or "", date, note (""). A power or reference that is no
// reading shows kNoValueText, and so does a relative value computed from one. The one formatter
// every view of a record reads.
inline constexpr std::size_t kRecordTexts = 7;
std::array<std::string, kRecordTexts> FormatRecordTexts(const RecordValues& r);

// "2013-10-09  15:07  ": year after 2000, then month, day, hour and minute, two digits at least.
std::string RecordDateText(unsigned y, unsigned m, unsigned d, unsigned h, unsigned mi);

} // namespace vemla
