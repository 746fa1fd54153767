#include "DialogTemplates.h"

#include <array>

namespace vemla {
namespace {

using K = ControlKind;
constexpr uint16_t kMultiCenter = kStyleMultiline | kStyleCentered;

// Template order matters: it is the creation order and so the tab order.
constexpr std::array kMainControls{
    ControlSpec{1, K::DefaultButton, "退出", true, 463, 278, 47, 19, kStyleNone},
    ControlSpec{1000, K::DropDownCombo, "", true, 24, 16, 59, 70, kStyleNone},
    ControlSpec{1001, K::PushButton, "打开串口", true, 114, 11, 59, 24, kMultiCenter},
    ControlSpec{1002, K::PushButton, "连接", true, 244, 12, 59, 24, kMultiCenter},
    ControlSpec{1039, K::GroupBox, "串口操作", true, 16, 4, 193, 34, kStyleNone},
    ControlSpec{1029, K::Label, "公司  名称", true, 27, 50, 80, 8, kStyleRight},
    ControlSpec{1030, K::Label, "仪表  类型", true, 27, 66, 80, 8, kStyleRight},
    ControlSpec{1031, K::Label, "仪表序列号", true, 27, 83, 80, 8, kStyleRight},
    ControlSpec{1005, K::Edit, "", true, 122, 48, 66, 14, kStyleNone},
    ControlSpec{1006, K::Edit, "", true, 121, 65, 66, 14, kStyleNone},
    ControlSpec{1007, K::Edit, "", true, 121, 81, 66, 14, kStyleNone},
    ControlSpec{1032, K::Label, "测试操作人", true, 205, 51, 93, 8, kStyleRight},
    ControlSpec{1033, K::Label, "备注", true, 205, 70, 93, 8, kStyleRight},
    ControlSpec{1008, K::Edit, "", true, 316, 47, 66, 14, kStyleNone},
    ControlSpec{1009, K::Edit, "", true, 316, 66, 66, 14, kStyleNone},
    ControlSpec{1040, K::GroupBox, "填写用户信息", true, 15, 38, 489, 60, kStyleNone},
    ControlSpec{1010, K::ListView, "List1", true, 15, 103, 406, 135, kStyleNone},
    ControlSpec{1011, K::PushButton, "上传数据", true, 429, 103, 81, 28, kStyleMultiline},
    ControlSpec{1012, K::PushButton, "删除选中", true, 429, 138, 81, 28, kStyleMultiline},
    ControlSpec{1013, K::PushButton, "删除全部", true, 429, 173, 81, 28, kStyleMultiline},
    ControlSpec{1014, K::PushButton, "保存或打印", true, 429, 208, 81, 28, kStyleMultiline},
    ControlSpec{kNoId, K::Label, "20", true, 141, 259, 9, 8, kStyleNone},
    ControlSpec{1015, K::Edit, "", true, 152, 257, 23, 14, kStyleNone},
    ControlSpec{1034, K::Label, "年", true, 177, 260, 20, 8, kStyleNone},
    ControlSpec{1016, K::Edit, "", true, 198, 257, 23, 14, kStyleNone},
    ControlSpec{1035, K::Label, "月", true, 223, 260, 20, 8, kStyleNone},
    ControlSpec{1017, K::Edit, "", true, 249, 257, 23, 14, kStyleNone},
    ControlSpec{1036, K::Label, "日", true, 275, 260, 16, 8, kStyleNone},
    ControlSpec{1018, K::Edit, "", true, 292, 257, 23, 14, kStyleNone},
    ControlSpec{1037, K::Label, "时", true, 318, 260, 17, 8, kStyleNone},
    ControlSpec{1019, K::Edit, "", true, 336, 257, 23, 14, kStyleNone},
    ControlSpec{1038, K::Label, "分", true, 363, 260, 16, 8, kStyleNone},
    ControlSpec{1020, K::PushButton, "时间设定", true, 252, 275, 66, 19, kStyleMultiline},
    ControlSpec{1021, K::PushButton, "功率校准", true, 76, 276, 51, 18, kStyleMultiline},
    ControlSpec{1022, K::Edit, "", true, 29, 255, 61, 14, kStyleNone},
    ControlSpec{1041, K::GroupBox, "仪表时间设定", true, 136, 242, 245, 57, kStyleNone},
    ControlSpec{1042, K::GroupBox, "校准", true, 14, 242, 120, 57, kStyleNone},
    ControlSpec{1026, K::DropDownCombo, "", true, 418, 16, 86, 68, kStyleNone},
    ControlSpec{1043, K::Label, "语言切换:", true, 367, 11, 39, 25, kStyleVCenter},
    ControlSpec{kNoId, K::Label, "dBm", true, 101, 258, 13, 8, kStyleNone},
    ControlSpec{1027, K::Icon, "", true, 88, 13, 20, 20, kStyleNone},
    ControlSpec{1028, K::Icon, "", true, 213, 13, 20, 20, kStyleNone},
    ControlSpec{1052, K::PushButton, "设置波长值", false, 133, 313, 60, 19, kStyleNone},
    ControlSpec{1053, K::PushButton, "PIN类型设置", false, 21, 335, 54, 19, kStyleNone},
    ControlSpec{1055, K::Label, "输入波长个数：", false, 19, 319, 57, 8, kStyleRight},
    ControlSpec{1073, K::Edit, "", false, 81, 316, 44, 14, kStyleNone},
    ControlSpec{1076, K::PushButton, "设置设备波长", false, 133, 335, 60, 19, kStyleNone},
    ControlSpec{1054, K::GroupBox, "功率计设置", false, 14, 306, 183, 49, kStyleNone},
    ControlSpec{1024, K::PushButton, "读取电脑时间", true, 163, 275, 66, 19, kStyleMultiline},
    ControlSpec{1098, K::DropDownCombo, "", true, 392, 253, 56, 73, kStyleNone},
    ControlSpec{1100, K::GroupBox, "波长选择", true, 383, 241, 74, 58, kStyleNone},
    ControlSpec{1025, K::PushButton, "读取功率", true, 20, 276, 53, 18, kStyleMultiline},
    ControlSpec{kNoId, K::GroupBox, "激光器设置", false, 203, 306, 299, 49, kStyleNone},
    ControlSpec{1097, K::Edit, "", false, 210, 333, 50, 14, kStyleNone},
    ControlSpec{kNoId, K::Label, "激光器1波长：", false, 212, 320, 55, 12, kStyleNone},
    ControlSpec{kNoId, K::Label, "激光器2波长：", false, 272, 320, 55, 12, kStyleNone},
    ControlSpec{kNoId, K::Label, "激光器3波长：", false, 331, 320, 55, 12, kStyleNone},
    ControlSpec{1023, K::PushButton, "激光器设置", false, 447, 330, 51, 17, kStyleNone},
    ControlSpec{1101, K::Edit, "", false, 270, 333, 50, 14, kStyleNone},
    ControlSpec{1103, K::Edit, "", false, 330, 333, 50, 14, kStyleNone},
    ControlSpec{kNoId, K::Label, "激光器4波长：", false, 392, 319, 55, 10, kStyleNone},
    ControlSpec{1104, K::Edit, "", false, 390, 333, 50, 14, kStyleNone},
};

constexpr std::array kAboutControls{
    ControlSpec{kNoId, K::Icon, "", true, 11, 17, 20, 20, kStyleNone},
    ControlSpec{kNoId, K::Label, "Vemla 1.0 版", true, 40, 10, 119, 8, kStyleNone},
    ControlSpec{kNoId, K::Label, "光功率计上位机  版权所有 (C) 2026", true, 40, 25, 130, 8,
                kStyleNone},
    ControlSpec{1, K::DefaultButton, "确定", true, 178, 7, 50, 14, kStyleNone},
};

constexpr DialogSpec kMain{102, "VORN", 518, 361, kMainControls};
constexpr DialogSpec kAbout{100, "关于 Vemla", 235, 55, kAboutControls};

} // namespace

const DialogSpec& MainDialogTemplate() {
    return kMain;
}
const DialogSpec& AboutDialogTemplate() {
    return kAbout;
}

} // namespace vemla
