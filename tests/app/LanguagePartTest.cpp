// What the language part shows, as the operator picks a language in the list: the template's
// captions and the table's columns, Qt's own texts and the accessible names, and every caption
// fitting its control in both languages. The list's handling of the pick (which entry, the file
// written, the rows kept) is MeterDlgTest's.
#include "PinTypeDlg.h"
#include "TextFit.h"
#include "WindowTest.h"

#include <QHeaderView>
#include <QMessageBox>

namespace vemla {
namespace {

using namespace test;

using LanguagePartTest = WindowTest;

// Every caption the switch sets: the one check of these texts, the meter program's own,
// misspellings included.
const struct {
    int id;
    const char* english;
    const char* chinese;
} kCaptions[] = {
    {1002, "CONNECT", "连接"},
    {1029, "Company", "公司  名称"},
    {1030, "Instrument Model", "仪表  类型"},
    {1031, "Instrument Serial Number", "仪表序列号"},
    {1032, "Test Operator", "测试操作人"},
    {1033, "Notes", "备注"},
    {1034, "YEAR", "年"},
    {1035, "MONTH", "月"},
    {1036, "DAY", "日"},
    {1037, "HOUR", "时"},
    {1038, "MINUTE", "分"},
    {1011, "UPLOAD DATA", "上传数据"},
    {1012, "DELETE SELECT", "删除选中"},
    {1013, "DELETE ALL", "删除全部"},
    {1014, "SAVE OR PRINT", "保存或打印"},
    {1020, "TIME SET", "时间设定"},
    {1024, "GET TIME", "获取时间"},
    {1021, "POWER ADJ", "功率校准"},
    {1025, "READ POWER", "读取功率"},
    {1, "EXIT", "退出"},
    {1039, "COM OPERATE", "串口操作"},
    {1040, "FILL OUT USER'S INFORMATION", "填写用户信息"},
    {1041, "INSTRUMENT TIME SET", "仪表时间设定"},
    {1042, "CALIBRATE", "校准"},
    {1043, "LANGUAGE:", "语言切换:"},
    {1055, "WAVE NUMBER", "输入波长个数："},
    {1052, "WAVE OPTIONS", "波长选项"},
    {1076, "SET WAVE", "设置波长"},
    {1053, "PIN TYPE", "PIN类型设置"},
    {1054, "SET WAVE", "功率计设置"},
    {1100, "WAVE SELECTION", "波长选择"},
    {idc::kPortButton, "OPEN COM", "打开串口"},
};
const char* const kColumns[] = {"NUMBER|WAVE LENGTH|POWER|RELATIVE POWER|REF|DATA/TIME|NOTE",
                                "序号|波长|功率值|相对功率值|参考值|日期/时间|备注"};

TEST_F(LanguagePartTest, CaptionsAndColumnsAreTheLanguagePicked) {
    Show();
    for (Language language : {Language::English, Language::Chinese}) {
        ClickEntry(Combo(idc::kLanguageList), language == Language::English ? 1 : 0);
        const bool english = language == Language::English;
        for (const auto& caption : kCaptions)
            EXPECT_EQ(Caption(dlg, caption.id),
                      QString::fromUtf8(english ? caption.english : caption.chinese))
                << caption.id;
        QStringList columns;
        for (int column = 0; column < 7; ++column)
            columns << dlg.Table().model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(columns.join('|'), QString::fromUtf8(kColumns[english ? 0 : 1]));
    }
    // Not switched: the title and the laser group.
    EXPECT_EQ(dlg.windowTitle(), "VORN");
    EXPECT_EQ(Caption(dlg, idc::kLaserSet), QString::fromUtf8("激光器设置"));
}

TEST_F(LanguagePartTest, QtsTextsAndAccessibleNamesSpeakTheLanguageInForce) {
    struct Case {
        int id;
        const char* english;
        const char* chinese;
    };
    // One row for a name taken from a label, the others for names of their own.
    const std::vector<Case> names{
        {idc::kPortList, "COM OPERATE", "串口操作"},
        {idc::kTable, "Records", "测量记录"},
        {idc::kPower, "Power (dBm)", "功率 (dBm)"},
        {idc::kLaser4, "Laser 4 wavelength", "激光器4波长"},
    };
    Show();
    for (Language language : {Language::Chinese, Language::English}) {
        ClickEntry(Combo(idc::kLanguageList), language == Language::English ? 1 : 0);
        const bool zh = language == Language::Chinese;
        for (const Case& c : names)
            EXPECT_EQ(dlg.Control(c.id)->accessibleName(), zh ? c.chinese : c.english) << c.id;
        for (const auto& [id, w] : dlg.Built().byId) {
            const bool named =
                qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || id == idc::kTable;
            EXPECT_TRUE(!named || !w->accessibleName().isEmpty()) << id;
        }
        CPinTypeDlg pin(language, 0, true, &dlg);
        EXPECT_EQ(pin.TypeList()->accessibleName(), zh ? "PIN类型" : "PIN Type");
        WaveList().PrepareForCount(3, language);
        EXPECT_EQ(WaveList().Field(3)->accessibleName(), "WAVE3");

        // Built as the program's boxes are: the standard buttons take Qt's text as they are made.
        QMessageBox box(&dlg);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), zh ? "确定" : "OK");
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), zh ? "取消" : "Cancel");
    }
}

using TextFitTest = WindowTest;

std::string Misfits(const BuiltDialog& built) {
    QStringList misfits;
    auto check = [&misfits](QWidget* control, const QString& name) {
        if (const std::optional<TextRoom> room = CaptionRoom(control); room && !room->Fits())
            misfits << QStringLiteral("%1 needs %2x%3, has %4x%5")
                           .arg(name)
                           .arg(room->needWidth)
                           .arg(room->needHeight)
                           .arg(room->width)
                           .arg(room->height);
    };
    for (const auto& [id, control] : built.byId)
        check(control, QString::number(id));
    for (QWidget* control : built.statics)
        check(control, control->property("text").toString());
    return misfits.join("; ").toStdString();
}

// Every caption of the main window and the two dialogs fits its control in both languages, at
// the fonts in use, and the port list shows an entry's COM number.
TEST_F(TextFitTest, EveryCaptionFitsInBothLanguages) {
    ports->assign(
        {{"/dev/ttyUSB0", ""}, {"/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0", ""}});
    ClickEntry(Combo(idc::kPortList), 1); // the list is read as it opens
    for (const int entry : {0, 1}) {      // 中文, then ENGLISH
        ClickEntry(Combo(idc::kLanguageList), entry);
        EXPECT_EQ(Misfits(dlg.Built()), "") << "main window, language entry " << entry;
        EXPECT_TRUE(HeaderFits(dlg.Table().horizontalHeader())) << entry;
        CWaveListDlg waves{boxes};
        waves.PrepareForCount(20, dlg.UiLanguage());
        EXPECT_EQ(Misfits(waves.Built()), "") << "wavelength list, entry " << entry;
        CPinTypeDlg pins{dlg.UiLanguage(), 0, true};
        EXPECT_EQ(Misfits(pins.Built()), "") << "PIN type, entry " << entry;
    }
    // The field shows the entry from its start: the COM number, not the end of a long path.
    ASSERT_TRUE(Combo(idc::kPortList)->currentText().startsWith("COM"));
    EXPECT_EQ(Combo(idc::kPortList)->lineEdit()->cursorPosition(), 0);
}

} // namespace
} // namespace vemla
