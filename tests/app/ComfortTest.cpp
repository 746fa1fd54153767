// What the window adds to the port that comes back: the lamp, the port button and the link
// picture following a pulled device, the status line counting a paced upload's rows, and Qt's own
// texts and the accessible names in the language in force. The reconnect itself (twenty pulls)
// and the remembered port are the session's tests; nothing here repeats them.
//
// And what the live power window adds, through the operator's clicks and keys: the menu entry
// and F5, Start/Pause, the relative unit, Hold and Record, the loss reference, against the
// simulated meter. Polling, statistics and the log's lines are the session's tests
// (tests/session/LiveMonitorTest.cpp).
#include "LiveChart.h"
#include "LiveWindow.h"
#include "MeterSimulator.h"
#include "PinTypeDlg.h"
#include "StatusLine.h"
#include "WaveListDlg.h"
#include "WindowTest.h"

#include <QMessageBox>
#include <QRegularExpression>

#include <set>

namespace vemla {
namespace {

using namespace test;
using Kind = CStatusLine::Kind;

class ComfortTest : public WindowTest {
protected:
    void Start(Language language) {
        Show();
        if (language == Language::English)
            ClickEntry(Combo(idc::kLanguageList), 1);
    }
};

TEST_F(ComfortTest, PulledDuringAPacedUploadTheLampGoesDarkTheRowsAreCountedAndThePortReturns) {
    const std::string link = QDir(folder.path()).filePath("meter").toStdString();
    SimOptions options;
    options.records = 80;
    options.paced = true;
    options.faults.hangUpAfterRecord = 59;
    auto meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    dlg.Ports().AddVirtual(link, "meter");
    Start(Language::English);
    ClickOpenPort();
    EXPECT_EQ(dlg.PortStatus().StatusLine().Text(Kind::Port), "COM1 (meter) open");
    QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return dlg.PortStatus().LinkIconId() == idi::kConnected; }));

    // While the records come, the count shown is the table's, at most one tick's records behind.
    QTest::mouseClick(dlg.Control(idc::kUpload), Qt::LeftButton);
    const QRegularExpression receiving(QStringLiteral("^Receiving records: (\\d+) · "));
    std::set<QString> shown;
    WaitUntil(
        [&] {
            const QString status = dlg.PortStatus().StatusLine().Text(Kind::Upload);
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
    ASSERT_EQ(boxes.shown.size(), 2u); // the connect's and the hang-up's, the session's tests
    EXPECT_TRUE(WaitUntil([&] {
        return dlg.PortStatus().StatusLine()
            .Text(Kind::Upload)
            .contains(QRegularExpression("^60 records in 0:0\\d$"));
    }));
    EXPECT_EQ(dlg.PortStatus().LampIconId(), idi::kPortClosed);
    EXPECT_EQ(dlg.PortStatus().LinkIconId(), idi::kNotConnected);
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");
    EXPECT_EQ(dlg.PortStatus().StatusLine().Text(Kind::Port), "COM1 (meter) gone; reopened when it is back");

    meter = std::make_unique<MeterSimulator>(SimOptions{});
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    ASSERT_TRUE(WaitUntil([&] { return dlg.PortStatus().LampIconId() == idi::kPortOpen; }, 2s));
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "CLOSE COM");
    EXPECT_EQ(dlg.PortStatus().StatusLine().Text(Kind::Port), "Port reopened: COM1 (meter) open");
    EXPECT_EQ(boxes.shown.size(), 2u) << "no box for the return";
}

TEST_F(ComfortTest, QtsTextsAccessibleNamesAndTheStatusLineSpeakTheLanguageInForce) {
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
        WaveList().PrepareForCount(3, language);
        EXPECT_EQ(WaveList().Field(3)->accessibleName(), "WAVE3");

        // Built as the program's boxes are: the standard buttons take Qt's text as they are made.
        QMessageBox box(&dlg);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), zh ? "确定" : "OK");
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), zh ? "取消" : "Cancel");
    }
}

void Press(QWidget* in, const QString& caption) {
    for (auto* b : in->findChildren<QPushButton*>())
        if (b->text() == caption)
            return QTest::mouseClick(b, Qt::LeftButton);
    ADD_FAILURE() << "no button " << caption.toStdString();
}

// The texts of the window's labels, joined.
QString Labels(QWidget* in) {
    QStringList texts;
    for (auto* l : in->findChildren<QLabel*>())
        texts << l->text();
    return texts.join('|');
}

class LiveWindowTest : public WindowTest {
protected:
    LiveWindowTest() : WindowTest("[Section1]\nItem=0\n") {}
};

TEST_F(LiveWindowTest, OpensFromTheMenuAndF5AndShowsTheMetersReadingsLive) {
    dlg.Export().SetReportFolder(folder.path());
    MeterSimulator meter(SimOptions{});
    ASSERT_TRUE(meter.Start());
    dlg.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
    Show();
    ClickOpenPort();
    QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !dlg.Session().Waves().empty(); }));

    QMenu* measure = dlg.Menu().MenuOf(CMainMenu::Menu::Measure);
    EXPECT_EQ(measure->actions().value(3)->text(), "Live power...");
    MenuEntry(CMainMenu::Menu::Measure, 3);
    CLiveWindow* live = dlg.LiveWindow();
    ASSERT_TRUE(live && live->isVisible() && !live->isModal());
    live->close();
    Show();
    QTest::keyClick(&dlg, Qt::Key_F5);
    EXPECT_TRUE(live->isVisible());
    EXPECT_EQ(live->windowTitle(), "Live power");

    const auto& samples = live->Monitor().Samples();
    const auto waitFor = [&](std::size_t more) {
        const std::size_t count = samples.size() + more;
        return WaitUntil([&] { return samples.size() >= count; });
    };
    // No wavelength acknowledged yet: nothing to take a loss reference for.
    Press(live, "Use as reference for λ");
    EXPECT_FALSE(dlg.Certification().Settings().ReferenceAt(1550));
    ClickEntry(dlg.ControlAs<QComboBox>(idc::kWaveSelect), 1);
    ASSERT_TRUE(WaitUntil([&] { return dlg.Session().SelectedWavelength() == 1550; }));
    const std::size_t boxesBefore = boxes.shown.size(); // the connect's and the choice's replies
    Press(live, "Start");
    ASSERT_TRUE(waitFor(3));
    // The current reading becomes the loss reference at the wavelength the meter acknowledged.
    Press(live, "Use as reference for 1550 nm");
    const double dBm = live->Monitor().Statistics().Current()->dBm;
    const LossReference* reference = dlg.Certification().Settings().ReferenceAt(1550);
    ASSERT_TRUE(reference);
    EXPECT_DOUBLE_EQ(reference->dBm, dBm);
    EXPECT_LT(reference->taken.secsTo(QDateTime::currentDateTime()), 60);
    EXPECT_TRUE(
        Labels(live).contains(QString::asprintf("Reference for 1550 nm set to %.2f dBm.", dBm)));
    // Each reading reaches the main window's power field as READ POWER's does.
    EXPECT_EQ(dlg.ControlAs<QLineEdit>(idc::kPower)->text(),
              QString::asprintf("%.2f", samples.back().dBm));

    Press(live, "Set reference");
    ClickEntry(live->findChildren<QComboBox*>().at(2), 4); // dB (relative)
    EXPECT_TRUE(Labels(live).contains(QRegularExpression("\\|-?0\\.[01]\\d dB\\|")))
        << Labels(live).toStdString();
    EXPECT_GT(live->Chart().PointCount(), 0);

    Press(live, "Hold");
    const QString held = Labels(live);
    ASSERT_TRUE(waitFor(3));
    EXPECT_EQ(Labels(live), held) << "what is shown stays while readings go on";

    live->SetPathAsker([](const QString& proposed) { return proposed; });
    Press(live, "Record...");
    EXPECT_TRUE(
        Labels(live).contains("Reading the meter.  Recording to " + folder.path() + "/Live "));
    ASSERT_TRUE(waitFor(3));
    Press(live, "Stop recording");
    Press(live, "Pause");
    EXPECT_FALSE(live->Monitor().Running());
    // The log's lines are the session's tests; here only that Record made it.
    EXPECT_EQ(QDir(folder.path()).entryList({"Live *.csv"}).size(), 1);
    EXPECT_EQ(boxes.shown.size(), boxesBefore) << "readings never raise a box";
}

} // namespace
} // namespace vemla
