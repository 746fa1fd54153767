#include "ReplyEncoder.h"

#include "FrameWriter.h"

#include <algorithm>

namespace vemla {

std::vector<uint8_t> EncodeRecordReply(const RecordValues& r) {
    FrameWriter w(FrameCode::Upload);
    w.U16(r.index);
    w.U16(r.wavelength);
    w.F32(r.power);
    w.F32(r.reference);
    w.Byte(r.relative ? 1 : 0);
    const RecordDate& d = r.date;
    for (uint8_t field : {d.year, d.month, d.day, d.hour, d.minute})
        w.Byte(field);
    return w.EndAsBytes();
}

std::vector<uint8_t> EncodeConnectReply(std::span<const uint16_t> waves,
                                        const std::array<uint16_t, 4>& lasers) {
    FrameWriter w(FrameCode::Connect);
    for (uint16_t wave : waves.first(std::min<std::size_t>(waves.size(), kMaxDeviceWaves)))
        w.U16(wave);
    for (uint16_t laser : lasers)
        w.U16(laser);
    return w.EndAsBytes();
}

std::vector<uint8_t> EncodePowerReply(float dBm) {
    FrameWriter w(FrameCode::ReadPower);
    w.F32(dBm);
    return w.EndAsBytes();
}

std::vector<uint8_t> EncodeAck(FrameCode code) {
    return FrameWriter(code).EndAsBytes();
}

std::vector<uint8_t> EncodeUploadEnd() {
    return EncodeAck(FrameCode::Upload);
}

std::vector<uint8_t> EncodeSelectWaveFailed() {
    return EncodeAck(FrameCode::SelectWaveFailed);
}

std::vector<uint8_t> EncodeFailure() {
    return EncodeAck(FrameCode::Failure);
}

} // namespace vemla
