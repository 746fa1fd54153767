#include "Texts.h"

namespace vemla {
namespace {

constexpr std::array kCaptions{
    CaptionText{1002, {"CONNECT", "连接"}},
    CaptionText{1029, {"Company", "公司  名称"}},
    CaptionText{1030, {"Instrument Model", "仪表  类型"}},
    CaptionText{1031, {"Instrument Serial Number", "仪表序列号"}},
    CaptionText{1032, {"Test Operator", "测试操作人"}},
    CaptionText{1033, {"Notes", "备注"}},
    CaptionText{1034, {"YEAR", "年"}},
    CaptionText{1035, {"MONTH", "月"}},
    CaptionText{1036, {"DAY", "日"}},
    CaptionText{1037, {"HOUR", "时"}},
    CaptionText{1038, {"MINUTE", "分"}},
    CaptionText{1011, {"UPLOAD DATA", "上传数据"}},
    CaptionText{1012, {"DELETE SELECT", "删除选中"}},
    CaptionText{1013, {"DELETE ALL", "删除全部"}},
    CaptionText{1014, {"SAVE OR PRINT", "保存或打印"}},
    CaptionText{1020, {"TIME SET", "时间设定"}},
    CaptionText{1024, {"GET TIME", "获取时间"}},
    CaptionText{1021, {"POWER ADJ", "功率校准"}},
    CaptionText{1025, {"READ POWER", "读取功率"}},
    CaptionText{1, {"EXIT", "退出"}},
    CaptionText{1039, {"COM OPERATE", "串口操作"}},
    CaptionText{1040, {"FILL OUT USER'S INFORMATION", "填写用户信息"}},
    CaptionText{1041, {"INSTRUMENT TIME SET", "仪表时间设定"}},
    CaptionText{1042, {"CALIBRATE", "校准"}},
    CaptionText{1043, {"LANGUAGE:", "语言切换:"}},
    CaptionText{1055, {"WAVE NUMBER", "输入波长个数："}},
    CaptionText{1052, {"WAVE OPTIONS", "波长选项"}},
    CaptionText{1076, {"SET WAVE", "设置波长"}},
    CaptionText{1053, {"PIN TYPE", "PIN类型设置"}},
    // Kept as the meter's program does it: the settings group is "SET WAVE" in English too.
    CaptionText{1054, {"SET WAVE", "功率计设置"}},
    CaptionText{1100, {"WAVE SELECTION", "波长选择"}},
};

constexpr BilingualText kNoMessage{"", ""};
// Kept as the meter's program does it: the failure texts are Chinese in both languages.
constexpr BilingualText kFailed{"操作失败!", "操作失败!"};
constexpr BilingualText kWaveSelectFailed{"波长选择失败!", "波长选择失败!"};

constexpr BilingualText kReplies[] = {
    kFailed,
    {"CONNECT SUCESS!", "连接成功!"},
    kNoMessage,
    {"CHOOSE WAVE SUCESS!", "波长选择成功!"},
    kFailed,
    {"UPLOAD SUCESS!", "上传完成!"},
    {"DELETE SELECTED SUCESS!", "删除选中成功!"},
    {"DELETE ALL SUCESS!", "删除全部成功!"},
    {"Adjust SET SUCESS!", "校准值设置成功!"},
    {"TIME SET SUCESS!", "时间设定成功!"},
    {"WAVE SET SUCESS!", "波长设定成功!"},
    {"LASER SET SUCESS!", "激光器设定成功!"},
    {"PIN TYPE SET SUCESS!", "PIN类型设定成功!"},
};

constexpr uint8_t kWaveSelectFailedCode = 252;

} // namespace

Language LanguageOfListIndex(int index) {
    return index == 1 ? Language::English : Language::Chinese;
}

int ListIndexOf(Language language) {
    return language == Language::English ? 1 : 0;
}

std::string_view PickUtf8(const BilingualText& text, Language language) {
    return language == Language::English ? text.english : text.chinese;
}

QString Pick(const BilingualText& text, Language language) {
    const std::string_view utf8 = PickUtf8(text, language);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::span<const CaptionText> CaptionTable() {
    return kCaptions;
}

const BilingualText& ReplyMessage(uint8_t code) {
    if (code < std::size(kReplies))
        return kReplies[code];
    return code == kWaveSelectFailedCode ? kWaveSelectFailed : kFailed;
}

} // namespace vemla
