#pragma once
// The program's dialog templates kept as data: every control with its id, kind, template caption,
// visibility and geometry in dialog units. Widgets are built from these tables, never placed by
// hand.

#include <cstdint>
#include <span>

namespace vemla {

enum class ControlKind : uint8_t {
    DefaultButton,
    PushButton,
    GroupBox,
    Label,
    Edit,
    DropDownCombo,
    ListView,
    Icon,
};

// Style details that change how a control looks but not what it is.
enum ControlStyle : uint16_t {
    kStyleNone = 0,
    kStyleMultiline = 1 << 0, // push button caption may wrap
    kStyleCentered = 1 << 1,  // push button caption centred both ways
    kStyleRight = 1 << 2,     // label text right-aligned
    kStyleVCenter = 1 << 3,   // label text vertically centred
};

inline constexpr int kNoId = -1; // a static control the program never addresses

struct ControlEntry {
    int id;
    ControlKind kind;
    const char* caption; // UTF-8
    bool visible;
    int x, y, w, h; // dialog units
    uint16_t style;
};

struct DialogLayout {
    int id;
    const char* title;
    int width, height; // dialog units
    std::span<const ControlEntry> controls;
    int fontPoints = 9; // "宋体" 9 for the main window; the two settings dialogs ask for 10
};

// Main window, template 102.
const DialogLayout& MainDialogTemplate();
// About box, template 100.
const DialogLayout& AboutDialogTemplate();

// Wavelength list dialog, template 144, and PIN type dialog, template 145.
const DialogLayout& WaveListDialogTemplate();
const DialogLayout& PinTypeDialogTemplate();

// Control ids of the main window.
namespace idc {
inline constexpr int kExit = 1;
inline constexpr int kPortList = 1000;
inline constexpr int kPortButton = 1001;
inline constexpr int kConnect = 1002;
inline constexpr int kCompany = 1005;
inline constexpr int kModel = 1006;
inline constexpr int kSerialNumber = 1007;
inline constexpr int kOperator = 1008;
inline constexpr int kNotes = 1009;
inline constexpr int kTable = 1010;
inline constexpr int kUpload = 1011;
inline constexpr int kDeleteSelect = 1012;
inline constexpr int kDeleteAll = 1013;
inline constexpr int kSaveOrPrint = 1014;
inline constexpr int kYear = 1015;
inline constexpr int kMonth = 1016;
inline constexpr int kDay = 1017;
inline constexpr int kHour = 1018;
inline constexpr int kMinute = 1019;
inline constexpr int kTimeSet = 1020;
inline constexpr int kPowerAdj = 1021;
inline constexpr int kPower = 1022;
inline constexpr int kLaserSet = 1023;
inline constexpr int kGetTime = 1024;
inline constexpr int kReadPower = 1025;
inline constexpr int kLanguageList = 1026;
inline constexpr int kPortLamp = 1027;
inline constexpr int kLinkPicture = 1028;
inline constexpr int kSetWave = 1052;
inline constexpr int kPinType = 1053;
inline constexpr int kWaveCount = 1073;
inline constexpr int kSetDeviceWaves = 1076;
inline constexpr int kLaser1 = 1097;
inline constexpr int kWaveSelect = 1098;
inline constexpr int kLaser2 = 1101;
inline constexpr int kLaser3 = 1103;
inline constexpr int kLaser4 = 1104;
// The labels and groups that name an edit or a list (their accessible names).
inline constexpr int kCompanyLabel = 1029;
inline constexpr int kModelLabel = 1030;
inline constexpr int kSerialNumberLabel = 1031;
inline constexpr int kOperatorLabel = 1032;
inline constexpr int kNotesLabel = 1033;
inline constexpr int kYearLabel = 1034;
inline constexpr int kMonthLabel = 1035;
inline constexpr int kDayLabel = 1036;
inline constexpr int kHourLabel = 1037;
inline constexpr int kMinuteLabel = 1038;
inline constexpr int kPortGroup = 1039;
inline constexpr int kLanguageLabel = 1043;
inline constexpr int kWaveCountLabel = 1055;
inline constexpr int kWaveSelectGroup = 1100;
} // namespace idc

// Control ids of the wavelength list dialog.
namespace idw {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kGroup = 1054;
inline constexpr int kPrompt = 1056;
inline constexpr int kWaveCount = 20;
// Label WAVEk is kFirstLabel + k - 1; its field is kFields[k - 1].
inline constexpr int kFirstLabel = 1029;
inline constexpr int kFields[kWaveCount] = {1063, 1064, 1065, 1066, 1067, 1068, 1069,
                                            1070, 1071, 1057, 1058, 1059, 1060, 1061,
                                            1020, 1021, 1022, 1023, 1024, 1025};
} // namespace idw

// Control ids of the PIN type dialog.
namespace idp {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kLabel = 1074;
inline constexpr int kTypeList = 1075;
} // namespace idp

// Icon resource ids; each is an SVG in the Qt resource ":/icons/icon<id>.svg".
namespace idi {
inline constexpr int kApp = 128;
inline constexpr int kPortOpen = 130;
inline constexpr int kPortClosed = 131;
inline constexpr int kConnected = 132;
inline constexpr int kNotConnected = 133;
inline constexpr int kUpload = 135;
inline constexpr int kDeleteSelect = 136;
inline constexpr int kDeleteAll = 137;
inline constexpr int kSave = 143;
} // namespace idi

// String resource 101: the About item of the window menu.
inline constexpr const char* kAboutMenuText = "关于 Vemla(&A)...";
inline constexpr int kAboutCommandId = 16;

} // namespace vemla
