#include "Language.h"

#include <QDir>

#include <array>

namespace vemla {
namespace {

constexpr std::array kCaptions{
    CaptionPair{1002, "CONNECT", "连接"},
    CaptionPair{1029, "Company", "公司  名称"},
    CaptionPair{1030, "Instrument Model", "仪表  类型"},
    CaptionPair{1031, "Instrument Serial Number", "仪表序列号"},
    CaptionPair{1032, "Test Operator", "测试操作人"},
    CaptionPair{1033, "Notes", "备注"},
    CaptionPair{1034, "YEAR", "年"},
    CaptionPair{1035, "MONTH", "月"},
    CaptionPair{1036, "DAY", "日"},
    CaptionPair{1037, "HOUR", "时"},
    CaptionPair{1038, "MINUTE", "分"},
    CaptionPair{1011, "UPLOAD DATA", "上传数据"},
    CaptionPair{1012, "DELETE SELECT", "删除选中"},
    CaptionPair{1013, "DELETE ALL", "删除全部"},
    CaptionPair{1014, "SAVE OR PRINT", "保存或打印"},
    CaptionPair{1020, "TIME SET", "时间设定"},
    CaptionPair{1024, "GET TIME", "获取时间"},
    CaptionPair{1021, "POWER ADJ", "功率校准"},
    CaptionPair{1025, "READ POWER", "读取功率"},
    CaptionPair{1, "EXIT", "退出"},
    CaptionPair{1039, "COM OPERATE", "串口操作"},
    CaptionPair{1040, "FILL OUT USER'S INFORMATION", "填写用户信息"},
    CaptionPair{1041, "INSTRUMENT TIME SET", "仪表时间设定"},
    CaptionPair{1042, "CALIBRATE", "校准"},
    CaptionPair{1043, "LANGUAGE:", "语言切换:"},
    CaptionPair{1055, "WAVE NUMBER", "输入波长个数："},
    CaptionPair{1052, "WAVE OPTIONS", "波长选项"},
    CaptionPair{1076, "SET WAVE", "设置波长"},
    CaptionPair{1053, "PIN TYPE", "PIN类型设置"},
    CaptionPair{1054, "SET WAVE", "功率计设置"},
    CaptionPair{1100, "WAVE SELECTION", "波长选择"},
};

} // namespace

std::span<const CaptionPair> CaptionTable() {
    return kCaptions;
}

int8_t LanguageFromStoredValue(const QByteArray& value) {
    const auto first = static_cast<int8_t>(value.isEmpty() ? 0 : value[0]);
    return static_cast<int8_t>(first - '0');
}

QString ConfigFilePath() {
    return QDir::currentPath() + QLatin1Char('/') + QLatin1String(kIniFileName);
}

} // namespace vemla
