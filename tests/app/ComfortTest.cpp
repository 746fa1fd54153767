// What the window adds to the port that comes back: the lamp, the port button and the link
// picture following a pulled device, the status line counting a paced upload's rows, and Qt's own
// texts and the accessible names in the language in force. The reconnect itself (twenty pulls)
// and the remembered port are the session's tests; nothing here repeats them.
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"
#include "PinTypeDlg.h"
#include "PopupPick.h"
#include "PtyPair.h"
#include "RecordingMessageBox.h"
#include "StatusLine.h"
#include "WaveListDlg.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace vemla {
namespace {

using namespace std::chrono_literals;
using Kind = CStatusLine::Kind;

class ComfortTest : public ::testing::Test {
protected:
    void Start(Language language) {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        if (language == Language::English)
            test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), 1);
    }
    QString ButtonText(int id) const { return dlg.ControlAs<QPushButton>(id)->text(); }

    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg{boxes, std::make_unique<test::FixedPortSource>(
                             std::make_shared<std::vector<PortCandidate>>())};
};

TEST_F(ComfortTest, PulledDuringAPacedUploadTheLampGoesDarkTheRowsAreCountedAndThePortReturns) {
    QTemporaryDir dir;
    const std::string link = QDir(dir.path()).filePath("meter").toStdString();
    SimOptions options;
    options.records = 80;
    options.paced = true;
    options.faults.hangUpAfterRecord = 59;
    auto meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    dlg.Ports().AddVirtual(link, "meter");
    Start(Language::English);
    test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kPortList), 0);
    QTest::mouseClick(dlg.Control(idc::kPortButton), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.Port().IsMonitoring(); }));
    EXPECT_EQ(dlg.StatusLine().Text(Kind::Port), "COM1 (meter) open");
    QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.LinkIconId() == idi::kConnected; }));

    // While the records come, the count shown is the table's, at most one tick's records behind.
    QTest::mouseClick(dlg.Control(idc::kUpload), Qt::LeftButton);
    const QRegularExpression receiving(QStringLiteral("^Receiving records: (\\d+) · "));
    std::set<QString> shown;
    test::WaitUntil(
        [&] {
            const QString status = dlg.StatusLine().Text(Kind::Upload);
            if (const auto m = receiving.match(status);
                m.hasMatch() && shown.insert(status).second) {
                const int rows = dlg.Table().model()->rowCount();
                EXPECT_LE(m.captured(1).toInt(), rows);
                EXPECT_GE(m.captured(1).toInt(), rows - 12) << status.toStdString();
            }
            return boxes.shown.size() == 2;
        },
        20s);
    EXPECT_GE(shown.size(), 3u) << "updated several times during a 1.4 s upload";
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.contains("ReadFile()"));
    EXPECT_EQ(dlg.Table().model()->rowCount(), 60);
    EXPECT_TRUE(test::WaitUntil([&] {
        return dlg.StatusLine()
            .Text(Kind::Upload)
            .contains(QRegularExpression("^60 records in 0:0\\d$"));
    }));
    EXPECT_EQ(dlg.LampIconId(), idi::kPortClosed);
    EXPECT_EQ(dlg.LinkIconId(), idi::kNotConnected);
    EXPECT_EQ(ButtonText(idc::kPortButton), "OPEN COM");
    EXPECT_EQ(dlg.StatusLine().Text(Kind::Port), "COM1 (meter) gone; reopened when it is back");

    meter = std::make_unique<MeterSimulator>(SimOptions{});
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.LampIconId() == idi::kPortOpen; }, 2s));
    EXPECT_EQ(ButtonText(idc::kPortButton), "CLOSE COM");
    EXPECT_EQ(dlg.StatusLine().Text(Kind::Port), "Port reopened: COM1 (meter) open");
    EXPECT_EQ(boxes.shown.size(), 2u) << "no box for the return";
}

TEST_F(ComfortTest, QtsTextsAccessibleNamesAndTheStatusLineSpeakTheLanguageInForce) {
    struct Case {
        int id;
        const char* english;
        const char* chinese;
    };
    const std::vector<Case> names{
        {idc::kPortList, "COM OPERATE", "串口操作"},
        {idc::kCompany, "Company", "公司  名称"},
        {idc::kNotes, "Notes", "备注"},
        {idc::kTable, "Records", "测量记录"},
        {idc::kMinute, "MINUTE", "分"},
        {idc::kPower, "Power (dBm)", "功率 (dBm)"},
        {idc::kLanguageList, "LANGUAGE:", "语言切换:"},
        {idc::kWaveCount, "WAVE NUMBER", "输入波长个数："},
        {idc::kWaveSelect, "WAVE SELECTION", "波长选择"},
        {idc::kLaser4, "Laser 4 wavelength", "激光器4波长"},
    };
    for (Language language : {Language::Chinese, Language::English}) {
        Start(language);
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
        dlg.WaveListDialog().PrepareForCount(3, language);
        EXPECT_EQ(dlg.WaveListDialog().Field(3)->accessibleName(), "WAVE3");
        EXPECT_EQ(dlg.StatusLine().Text(Kind::Port), zh ? "未打开串口" : "No port open");

        // Built as the program's boxes are: the standard buttons take Qt's text as they are made.
        QMessageBox box(&dlg);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), zh ? "确定" : "OK");
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), zh ? "取消" : "Cancel");
    }
}

} // namespace
} // namespace vemla
