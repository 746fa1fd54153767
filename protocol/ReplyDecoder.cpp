#include "ReplyDecoder.h"

#include "TextBuilder.h"

#include <cstddef>

namespace vemla {

namespace {

struct MessagePair {
    std::string_view english;
    std::string_view chinese;
};

constexpr MessagePair kFailed{"操作失败!", "操作失败!"};

MessagePair MessageOf(uint8_t code) {
    switch (code) {
    case 1:
        return {"CONNECT SUCESS!", "连接成功!"};
    case 2:
        return {"", ""};
    case 3:
        return {"CHOOSE WAVE SUCESS!", "波长选择成功!"};
    case 5:
        return {"UPLOAD SUCESS!", "上传完成!"};
    case 6:
        return {"DELETE SELECTED SUCESS!", "删除选中成功!"};
    case 7:
        return {"DELETE ALL SUCESS!", "删除全部成功!"};
    case 8:
        return {"Adjust SET SUCESS!", "校准值设置成功!"};
    case 9:
        return {"TIME SET SUCESS!", "时间设定成功!"};
    case 10:
        return {"WAVE SET SUCESS!", "波长设定成功!"};
    case 11:
        return {"LASER SET SUCESS!", "激光器设定成功!"};
    case 12:
        return {"PIN TYPE SET SUCESS!", "PIN类型设定成功!"};
    case 252:
        return {"波长选择失败!", "波长选择失败!"};
    default:
        return kFailed;
    }
}

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

std::string_view ReplyMessage(uint8_t code, int language) {
    const MessagePair pair = MessageOf(code);
    if (language == 0)
        return pair.english;
    if (language == 1)
        return pair.chinese;
    return {};
}

} // namespace vemla
