#pragma once
// The texts of the reference workflow (cord verification, launch condition, calibration, when a
// new reference is due) and of the certificate lines that report it, in both languages.

#include "Texts.h"

namespace vemla::reftext {

// Certificate and JSON fields.
inline constexpr BilingualText kMethodStandard{"Method per standard:", "标准方法名称:"};
inline constexpr BilingualText kLaunch{"Launch condition (multimode):", "注入条件(多模):"};
inline constexpr BilingualText kLaunchUnknown{"not recorded", "未记录"};
inline constexpr BilingualText kLaunchEf{"encircled-flux compliant launch cord",
                                         "符合环通量(EF)要求的发射跳线"};
inline constexpr BilingualText kLaunchNotEf{"launch cord not encircled-flux compliant",
                                            "发射跳线不符合环通量(EF)要求"};
inline constexpr BilingualText kCalibrationDue{"Calibration due:", "校准到期日:"};
inline constexpr BilingualText kCalibrationPast{"(past)", "(已过期)"};
inline constexpr BilingualText kLengthFrom{"Length from:", "长度来源:"};
inline constexpr BilingualText kLengthTyped{"typed with the limits", "随限值输入"};
inline constexpr BilingualText kLengthPlan{"cable plan (typed where the plan has none)",
                                           "电缆计划(计划中没有的按输入值)"};
inline constexpr BilingualText kLengthNone{"none: fixed limits (a power meter measures no length)",
                                           "无：固定限值(光功率计不测量长度)"};
inline constexpr BilingualText kVerifications{"Test reference cord verification",
                                              "测试参考跳线验证"};
inline constexpr BilingualText kVerifyReading{"Mated cords (dB)", "跳线对接(dB)"};
inline constexpr BilingualText kVerifyLimit{"Max (dB)", "上限(dB)"};
inline constexpr BilingualText kVerifyCords{"Cords", "跳线"};
inline constexpr BilingualText kVerifyVoid{"void: reference taken again", "无效：参考已重设"};
inline constexpr BilingualText kMeterModel{"Meter model:", "仪表型号:"};
inline constexpr BilingualText kMeterSerial{"Meter serial number:", "仪表序列号:"};
inline constexpr BilingualText kOperator{"Operator:", "操作人:"};

// Why a new reference is due, for the summary line: "%1" is the wavelengths with their reasons.
inline constexpr BilingualText kDueLine{"New reference due: %1", "需要重新设置参考: %1"};
inline constexpr BilingualText kDueMissing{"no reference", "无参考"};
inline constexpr BilingualText kDueStale{"stale", "已过期"};
inline constexpr BilingualText kDueReadings{"%1 readings since", "之后已测 %1 个读数"};
inline constexpr BilingualText kDueNegative{"negative loss", "出现负损耗"};
inline constexpr BilingualText kDueReconnected{"meter reconnected", "仪表已重新连接"};
// "%1": the date.
inline constexpr BilingualText kCalibrationOverdue{
    "The meter's calibration was due on %1: the results may not be accepted.",
    "仪表校准已于 %1 到期：结果可能不被认可。"};

// Measure > References... and the live window.
inline constexpr BilingualText kMenuReferences{"References...", "参考..."};
inline constexpr BilingualText kDlgTitle{"References", "参考"};
inline constexpr BilingualText kColWavelength{"λ (nm)", "λ (nm)"};
inline constexpr BilingualText kColReference{"Reference (dBm)", "参考(dBm)"};
inline constexpr BilingualText kColTaken{"Taken", "设置时间"};
inline constexpr BilingualText kColResult{"Result", "结果"};
inline constexpr BilingualText kLaunchLabel{"Multimode launch cord:", "多模发射跳线:"};
inline constexpr BilingualText kCalibrationLabel{"Calibration due (yyyy-MM-dd):",
                                                 "校准到期日(yyyy-MM-dd):"};
inline constexpr BilingualText kRenewLabel{"New reference after this many readings:",
                                           "测量多少个读数后重设参考:"};
inline constexpr BilingualText kRenewOff{"off", "关闭"};
inline constexpr BilingualText kBadDate{"The calibration date is not a date (yyyy-MM-dd).",
                                        "校准日期格式不正确(yyyy-MM-dd)。"};
inline constexpr BilingualText kBadReading{"The verification reading at %1 nm is not a number.",
                                           "%1 nm 的验证读数不是数字。"};
inline constexpr BilingualText kLiveVerify{"Verify cords at %1 nm", "验证 %1 nm 跳线"};
inline constexpr BilingualText kLiveVerifyUnknown{"Verify cords at λ", "验证 λ 跳线"};
// %1 the wavelength, %2 the loss, %3 PASS or FAIL.
inline constexpr BilingualText kLiveVerified{"Cords at %1 nm: %2 dB, %3.",
                                             "%1 nm 跳线：%2 dB，%3。"};
inline constexpr BilingualText kLiveNoReference{
    "No reference at %1 nm to verify the cords against.", "%1 nm 没有参考，无法验证跳线。"};

} // namespace vemla::reftext
