#include "DialogTemplates.h"

#include <array>

namespace vemla {
namespace {

using K = ControlKind;
constexpr uint16_t kMultiCenter = kStyleMultiline | kStyleCentered;

// Template order matters: it is the creation order and so the tab order.
constexpr std::array kMainControls{
    ControlEntry{1, K::DefaultButton, "退出", true, 463, 278, 47, 19, kStyleNone},
    ControlEntry{1000, K::DropDownCombo, "", true, 24, 16, 59, 70, kStyleNone},
    ControlEntry{1001, K::PushButton, "打开串口", true, 114, 11, 59, 24, kMultiCenter},
    ControlEntry{1002, K::PushButton, "连接", true, 244, 12, 59, 24, kMultiCenter},
    ControlEntry{1039, K::GroupBox, "串口操作", true, 16, 4, 193, 34, kStyleNone},
    ControlEntry{1029, K::Label, "公司  名称", true, 27, 50, 80, 8, kStyleRight},
    ControlEntry{1030, K::Label, "仪表  类型", true, 27, 66, 80, 8, kStyleRight},
    ControlEntry{1031, K::Label, "仪表序列号", true, 27, 83, 80, 8, kStyleRight},
    ControlEntry{1005, K::Edit, "", true, 122, 48, 66, 14, kStyleNone},
    ControlEntry{1006, K::Edit, "", true, 121, 65, 66, 14, kStyleNone},
    ControlEntry{1007, K::Edit, "", true, 121, 81, 66, 14, kStyleNone},
    ControlEntry{1032, K::Label, "测试操作人", true, 205, 51, 93, 8, kStyleRight},
    ControlEntry{1033, K::Label, "备注", true, 205, 70, 93, 8, kStyleRight},
    ControlEntry{1008, K::Edit, "", true, 316, 47, 66, 14, kStyleNone},
    ControlEntry{1009, K::Edit, "", true, 316, 66, 66, 14, kStyleNone},
    ControlEntry{1040, K::GroupBox, "填写用户信息", true, 15, 38, 489, 60, kStyleNone},
    ControlEntry{1010, K::ListView, "List1", true, 15, 103, 406, 135, kStyleNone},
    ControlEntry{1011, K::PushButton, "上传数据", true, 429, 103, 81, 28, kStyleMultiline},
    ControlEntry{1012, K::PushButton, "删除选中", true, 429, 138, 81, 28, kStyleMultiline},
    ControlEntry{1013, K::PushButton, "删除全部", true, 429, 173, 81, 28, kStyleMultiline},
    ControlEntry{1014, K::PushButton, "保存或打印", true, 429, 208, 81, 28, kStyleMultiline},
    ControlEntry{kNoId, K::Label, "20", true, 141, 259, 9, 8, kStyleNone},
    ControlEntry{1015, K::Edit, "", true, 152, 257, 23, 14, kStyleNone},
    ControlEntry{1034, K::Label, "年", true, 177, 260, 20, 8, kStyleNone},
    ControlEntry{1016, K::Edit, "", true, 198, 257, 23, 14, kStyleNone},
    ControlEntry{1035, K::Label, "月", true, 223, 260, 20, 8, kStyleNone},
    ControlEntry{1017, K::Edit, "", true, 249, 257, 23, 14, kStyleNone},
    ControlEntry{1036, K::Label, "日", true, 275, 260, 16, 8, kStyleNone},
    ControlEntry{1018, K::Edit, "", true, 292, 257, 23, 14, kStyleNone},
    ControlEntry{1037, K::Label, "时", true, 318, 260, 17, 8, kStyleNone},
    ControlEntry{1019, K::Edit, "", true, 336, 257, 23, 14, kStyleNone},
    ControlEntry{1038, K::Label, "分", true, 363, 260, 16, 8, kStyleNone},
    ControlEntry{1020, K::PushButton, "时间设定", true, 252, 275, 66, 19, kStyleMultiline},
    ControlEntry{1021, K::PushButton, "功率校准", true, 76, 276, 51, 18, kStyleMultiline},
    ControlEntry{1022, K::Edit, "", true, 29, 255, 61, 14, kStyleNone},
    ControlEntry{1041, K::GroupBox, "仪表时间设定", true, 136, 242, 245, 57, kStyleNone},
    ControlEntry{1042, K::GroupBox, "校准", true, 14, 242, 120, 57, kStyleNone},
    ControlEntry{1026, K::DropDownCombo, "", true, 418, 16, 86, 68, kStyleNone},
    ControlEntry{1043, K::Label, "语言切换:", true, 367, 11, 39, 25, kStyleVCenter},
    ControlEntry{kNoId, K::Label, "dBm", true, 101, 258, 13, 8, kStyleNone},
    ControlEntry{1027, K::Icon, "", true, 88, 13, 20, 20, kStyleNone},
    ControlEntry{1028, K::Icon, "", true, 213, 13, 20, 20, kStyleNone},
    ControlEntry{1052, K::PushButton, "设置波长值", false, 133, 313, 60, 19, kStyleNone},
    ControlEntry{1053, K::PushButton, "PIN类型设置", false, 21, 335, 54, 19, kStyleNone},
    ControlEntry{1055, K::Label, "输入波长个数：", false, 19, 319, 57, 8, kStyleRight},
    ControlEntry{1073, K::Edit, "", false, 81, 316, 44, 14, kStyleNone},
    ControlEntry{1076, K::PushButton, "设置设备波长", false, 133, 335, 60, 19, kStyleNone},
    ControlEntry{1054, K::GroupBox, "功率计设置", false, 14, 306, 183, 49, kStyleNone},
    ControlEntry{1024, K::PushButton, "读取电脑时间", true, 163, 275, 66, 19, kStyleMultiline},
    ControlEntry{1098, K::DropDownCombo, "", true, 392, 253, 56, 73, kStyleNone},
    ControlEntry{1100, K::GroupBox, "波长选择", true, 383, 241, 74, 58, kStyleNone},
    ControlEntry{1025, K::PushButton, "读取功率", true, 20, 276, 53, 18, kStyleMultiline},
    ControlEntry{kNoId, K::GroupBox, "激光器设置", false, 203, 306, 299, 49, kStyleNone},
    ControlEntry{1097, K::Edit, "", false, 210, 333, 50, 14, kStyleNone},
    ControlEntry{kNoId, K::Label, "激光器1波长：", false, 212, 320, 55, 12, kStyleNone},
    ControlEntry{kNoId, K::Label, "激光器2波长：", false, 272, 320, 55, 12, kStyleNone},
    ControlEntry{kNoId, K::Label, "激光器3波长：", false, 331, 320, 55, 12, kStyleNone},
    ControlEntry{1023, K::PushButton, "激光器设置", false, 447, 330, 51, 17, kStyleNone},
    ControlEntry{1101, K::Edit, "", false, 270, 333, 50, 14, kStyleNone},
    ControlEntry{1103, K::Edit, "", false, 330, 333, 50, 14, kStyleNone},
    ControlEntry{kNoId, K::Label, "激光器4波长：", false, 392, 319, 55, 10, kStyleNone},
    ControlEntry{1104, K::Edit, "", false, 390, 333, 50, 14, kStyleNone},
};

constexpr std::array kAboutControls{
    ControlEntry{kNoId, K::Icon, "", true, 11, 17, 20, 20, kStyleNone},
    ControlEntry{kNoId, K::Label, "Vemla " VEMLA_VERSION " 版", true, 40, 10, 119, 8, kStyleNone},
    ControlEntry{kNoId, K::Label, "光功率计上位机  版权所有 (C) 2026", true, 40, 25, 130, 8,
                 kStyleNone},
    ControlEntry{1, K::DefaultButton, "确定", true, 178, 7, 50, 14, kStyleNone},
};

// Four rows of five labelled fields; the eight grid boxes are kept but never shown.
constexpr std::array kWaveListControls{
    ControlEntry{1054, K::GroupBox, "设置波长", true, 7, 4, 309, 162, kStyleNone},
    ControlEntry{1056, K::Label, "请输入所需波长：", true, 17, 17, 200, 8, kStyleNone},
    ControlEntry{1029, K::Label, "WAVE1", true, 17, 34, 50, 8, kStyleNone},
    ControlEntry{1063, K::Edit, "", true, 17, 44, 50, 14, kStyleNone},
    ControlEntry{1030, K::Label, "WAVE2", true, 76, 34, 50, 8, kStyleNone},
    ControlEntry{1064, K::Edit, "", true, 76, 44, 50, 14, kStyleNone},
    ControlEntry{1031, K::Label, "WAVE3", true, 135, 34, 50, 8, kStyleNone},
    ControlEntry{1065, K::Edit, "", true, 135, 44, 50, 14, kStyleNone},
    ControlEntry{1032, K::Label, "WAVE4", true, 194, 34, 50, 8, kStyleNone},
    ControlEntry{1066, K::Edit, "", true, 194, 44, 50, 14, kStyleNone},
    ControlEntry{1033, K::Label, "WAVE5", true, 253, 34, 50, 8, kStyleNone},
    ControlEntry{1067, K::Edit, "", true, 253, 44, 50, 14, kStyleNone},
    ControlEntry{1034, K::Label, "WAVE6", true, 17, 66, 50, 8, kStyleNone},
    ControlEntry{1068, K::Edit, "", true, 17, 76, 50, 14, kStyleNone},
    ControlEntry{1035, K::Label, "WAVE7", true, 76, 66, 50, 8, kStyleNone},
    ControlEntry{1069, K::Edit, "", true, 76, 76, 50, 14, kStyleNone},
    ControlEntry{1036, K::Label, "WAVE8", true, 135, 66, 50, 8, kStyleNone},
    ControlEntry{1070, K::Edit, "", true, 135, 76, 50, 14, kStyleNone},
    ControlEntry{1037, K::Label, "WAVE9", true, 194, 66, 50, 8, kStyleNone},
    ControlEntry{1071, K::Edit, "", true, 194, 76, 50, 14, kStyleNone},
    ControlEntry{1038, K::Label, "WAVE10", true, 253, 66, 50, 8, kStyleNone},
    ControlEntry{1057, K::Edit, "", true, 253, 76, 50, 14, kStyleNone},
    ControlEntry{1039, K::Label, "WAVE11", true, 17, 98, 50, 8, kStyleNone},
    ControlEntry{1058, K::Edit, "", true, 17, 108, 50, 14, kStyleNone},
    ControlEntry{1040, K::Label, "WAVE12", true, 76, 98, 50, 8, kStyleNone},
    ControlEntry{1059, K::Edit, "", true, 76, 108, 50, 14, kStyleNone},
    ControlEntry{1041, K::Label, "WAVE13", true, 135, 98, 50, 8, kStyleNone},
    ControlEntry{1060, K::Edit, "", true, 135, 108, 50, 14, kStyleNone},
    ControlEntry{1042, K::Label, "WAVE14", true, 194, 98, 50, 8, kStyleNone},
    ControlEntry{1061, K::Edit, "", true, 194, 108, 50, 14, kStyleNone},
    ControlEntry{1043, K::Label, "WAVE15", true, 253, 98, 50, 8, kStyleNone},
    ControlEntry{1020, K::Edit, "", true, 253, 108, 50, 14, kStyleNone},
    ControlEntry{1044, K::Label, "WAVE16", true, 17, 130, 50, 8, kStyleNone},
    ControlEntry{1021, K::Edit, "", true, 17, 140, 50, 14, kStyleNone},
    ControlEntry{1045, K::Label, "WAVE17", true, 76, 130, 50, 8, kStyleNone},
    ControlEntry{1022, K::Edit, "", true, 76, 140, 50, 14, kStyleNone},
    ControlEntry{1046, K::Label, "WAVE18", true, 135, 130, 50, 8, kStyleNone},
    ControlEntry{1023, K::Edit, "", true, 135, 140, 50, 14, kStyleNone},
    ControlEntry{1047, K::Label, "WAVE19", true, 194, 130, 50, 8, kStyleNone},
    ControlEntry{1024, K::Edit, "", true, 194, 140, 50, 14, kStyleNone},
    ControlEntry{1048, K::Label, "WAVE20", true, 253, 130, 50, 8, kStyleNone},
    ControlEntry{1025, K::Edit, "", true, 253, 140, 50, 14, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 12, 30, 299, 31, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 12, 62, 299, 31, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 12, 94, 299, 31, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 12, 126, 299, 31, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 68, 30, 1, 127, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 127, 30, 1, 127, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 186, 30, 1, 127, kStyleNone},
    ControlEntry{kNoId, K::GroupBox, "", false, 245, 30, 1, 127, kStyleNone},
    ControlEntry{1, K::DefaultButton, "确定", true, 136, 172, 50, 14, kStyleNone},
    ControlEntry{2, K::PushButton, "退出", false, 200, 172, 50, 14, kStyleNone},
};

constexpr std::array kPinTypeControls{
    ControlEntry{kNoId, K::GroupBox, "", true, 7, 3, 166, 34, kStyleNone},
    ControlEntry{1074, K::Label, "PIN类型：", true, 18, 17, 44, 8, kStyleRight},
    ControlEntry{1075, K::DropDownCombo, "", true, 68, 15, 60, 40, kStyleNone},
    ControlEntry{1, K::DefaultButton, "确定", true, 65, 43, 50, 14, kStyleNone},
    ControlEntry{2, K::PushButton, "取消", false, 123, 43, 50, 14, kStyleNone},
};

constexpr DialogLayout kMain{102, "VORN", 518, 361, kMainControls};
constexpr DialogLayout kAbout{100, "关于 Vemla", 235, 55, kAboutControls};
constexpr DialogLayout kWaveList{144, "", 323, 192, kWaveListControls, 10};
constexpr DialogLayout kPinType{145, "", 180, 63, kPinTypeControls, 10};

} // namespace

const DialogLayout& MainDialogTemplate() {
    return kMain;
}
const DialogLayout& AboutDialogTemplate() {
    return kAbout;
}

const DialogLayout& WaveListDialogTemplate() {
    return kWaveList;
}
const DialogLayout& PinTypeDialogTemplate() {
    return kPinType;
}

} // namespace vemla
