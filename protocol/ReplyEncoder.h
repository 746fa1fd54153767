#pragma once

// The meter's replies, byte for byte: the simulated meter sends them and the tests build the
// frames they feed with them, so a reply's layout is written once, beside its decoder.
#include "FrameCodec.h"
#include "Record.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vemla {

// 22 bytes: AA 16 05, index, wavelength, power, reference, flag (0 or 1), Y M D h m, 55.
std::vector<uint8_t> EncodeRecordReply(const RecordValues& r);
// 12 + 2n bytes: AA L 01, the wavelengths, the four lasers, 55. At most kMaxDeviceWaves
// wavelengths go out, so the length byte cannot wrap.
std::vector<uint8_t> EncodeConnectReply(std::span<const uint16_t> waves,
                                        const std::array<uint16_t, 4>& lasers);
// AA 08 02, power as f32 BE, 55.
std::vector<uint8_t> EncodePowerReply(float dBm);
// AA 04 code 55: the meter's answer to a command it carried out.
std::vector<uint8_t> EncodeAck(FrameCode code);
// AA 04 05 55, after the last record of an upload.
std::vector<uint8_t> EncodeUploadEnd();
// AA 04 FC 55: the wavelength asked for is not one the meter has.
std::vector<uint8_t> EncodeSelectWaveFailed();
// AA 04 04 55: a command the meter refused.
std::vector<uint8_t> EncodeFailure();

} // namespace vemla
