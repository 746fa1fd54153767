#include "ReplyDecoder.h"

#include "TextBuilder.h"

#include <cstddef>

namespace vemla {

namespace {

} // namespace

ConnectReply DecodeConnect(const ReplyFrame& f) {
    ConnectReply reply;
    const int length = f.Length();
    std::size_t i = 3;
    for (; static_cast<int>(i) < length - 9; i += 2)
        reply.waves.push_back(static_cast<int>(f.U16At(i)));
    for (std::size_t laser = 0; laser < reply.lasers.size(); ++laser)
        reply.lasers[laser] = f.U16At(i + 2 * laser);
    return reply;
}

float DecodePower(const ReplyFrame& f) {
    return f.F32At(3);
}

std::string FormatPower(float dBm) {
    return TextBuilder().Fixed2(dBm).Str();
}

bool IsUploadEnd(const ReplyFrame& f) {
    return f.Code() == static_cast<uint8_t>(FrameCode::Upload) && f.Length() == 4;
}

} // namespace vemla
