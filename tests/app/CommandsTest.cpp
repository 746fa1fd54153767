// What the window adds to the session's commands, through the real engine on a
// pseudo-terminal: the fields read into each command, the real input that triggers them, the
// port controls following the session, and the settings dialogs. The commands' own rules are
// the session's tests.
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "PinTypeDlg.h"
#include "PopupPick.h"
#include "PtyPair.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"
#include "WaveListDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::Bytes;
using test::Record;
using namespace std::chrono_literals;

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest()
        : ports(std::make_shared<std::vector<PortCandidate>>(
              std::vector<PortCandidate>{{pty.Path(), "test meter"}})),
          dlg(boxes, std::make_unique<test::FixedPortSource>(ports)) {}

    void SetUp() override { ASSERT_TRUE(pty.Ok()); }

    void OpenPort() {
        auto* list = dlg.ControlAs<QComboBox>(idc::kPortList);
        dlg.OnPortListDropDown();
        list->setCurrentIndex(0);
        dlg.ControlAs<QPushButton>(idc::kPortButton)->click();
        ASSERT_TRUE(dlg.Port().IsOpen());
        ASSERT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
        // The monitor thread purges the line as it starts; the meter speaks only after that.
        ASSERT_TRUE(test::WaitUntil([&] { return dlg.Port().IsMonitoring(); }));
    }
    void Click(int id) { dlg.ControlAs<QPushButton>(id)->click(); }
    void SetText(int id, const QString& t) { dlg.ControlAs<QLineEdit>(id)->setText(t); }
    void Feed(const test::Bytes& bytes) { test::Feed(dlg, bytes); }

    test::FreshConfig config;
    test::PtyPair pty;
    std::shared_ptr<std::vector<PortCandidate>> ports;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg;
};

// The operator's own input, through real events: each handler must read the state that input
// made (the entry picked, the text typed), and filling a list is never taken for a pick.
TEST_F(CommandsTest, HandlersReadTheStateTheOperatorsInputMade) {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* list = dlg.ControlAs<QComboBox>(idc::kPortList);
    auto* waves = dlg.ControlAs<QComboBox>(idc::kWaveSelect);
    // The port list is refilled as it opens, so its one entry is there to click.
    test::ClickEntry(list, 0);
    ASSERT_EQ(list->currentIndex(), 0);
    QTest::mouseClick(dlg.Control(idc::kPortButton), Qt::LeftButton);
    ASSERT_TRUE(dlg.Port().IsOpen());
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.Port().IsMonitoring(); }));
    Feed({0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0, 0, 0, 0, 0x55});
    boxes.shown.clear();
    struct Case {
        const char* what;
        std::function<void()> input;
        Bytes frame;
    };
    const std::vector<Case> cases{
        {"the list filled by the reply", [] {}, {}},
        {"click on the second wavelength",
         [&] { test::ClickEntry(waves, 1); },
         {0xAA, 0x05, 0x03, 0x01, 0x55}},
        {"arrow up and Enter", [&] { test::KeyToEntry(waves, 0); }, {0xAA, 0x05, 0x03, 0x00, 0x55}},
        {"list closed with Escape", [&] { test::Dismiss(waves); }, {}},
        // Kept as the meter's program does it: the port list's index goes out, then 0xBB.
        {"a digit typed",
         [&] { QTest::keyClick(waves->lineEdit(), Qt::Key_7); },
         {0xAA, 0x05, 0x0F, 0x00, 0xBB}},
    };
    for (const Case& c : cases) {
        pty.Received(50ms);
        c.input();
        EXPECT_EQ(pty.Received(), c.frame) << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(CommandsTest, FieldsAndTheSelectedRowAreReadIntoTheirCommands) {
    OpenPort();
    for (uint16_t i = 0; i < 5; ++i)
        Feed(Record(i));
    boxes.answers = {BoxAnswer::Cancel};
    struct Case {
        const char* what;
        std::function<void()> act;
        OutFrame frame;
    };
    const std::vector<Case> cases{
        {"power with its unit",
         [&] {
             SetText(idc::kPower, " -7.32dBm");
             Click(idc::kPowerAdj);
         },
         BuildSetCalibration(-7.32f)},
        {"power without a number",
         [&] {
             SetText(idc::kPower, "abc");
             Click(idc::kPowerAdj);
         },
         BuildSetCalibration(0.0f)},
        {"time fields, lenient",
         [&] {
             for (auto [id, t] : {std::pair{idc::kYear, "2013"},
                                  {idc::kMonth, "x"},
                                  {idc::kDay, "-1"},
                                  {idc::kHour, " 15"},
                                  {idc::kMinute, "27h"}})
                 SetText(id, t);
             Click(idc::kTimeSet);
         },
         BuildSetTime(2013 & 0xFF, 0, 0xFF, 15, 27)},
        {"lasers from their fields",
         [&] {
             for (auto [id, t] : {std::pair{idc::kLaser1, "1310"},
                                  {idc::kLaser2, "1550"},
                                  {idc::kLaser3, "1490"},
                                  {idc::kLaser4, "1625"}})
                 SetText(id, t);
             Click(idc::kLaserSet);
         },
         BuildSetLasers({1310, 1550, 1490, 1625})},
        {"the first selected row",
         [&] {
             dlg.Table().selectRow(3);
             Click(idc::kDeleteSelect);
         },
         BuildDeleteSelected(3)},
    };
    for (const Case& c : cases) {
        pty.Received(50ms);
        c.act();
        EXPECT_EQ(pty.Received(), test::Of(c.frame)) << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(CommandsTest, GetTimeFillsTheFieldsFromTheClock) {
    const std::time_t when = QDateTime(QDate(2013, 10, 9), QTime(15, 27, 45)).toSecsSinceEpoch();
    dlg.SetClock([when] { return when; });
    Click(idc::kGetTime);
    const std::array ids{idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute};
    const QStringList expected{"13", "10", " 9", "15", "27"};
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(dlg.ControlAs<QLineEdit>(ids[i])->text(), expected[int(i)]);
    EXPECT_TRUE(boxes.shown.empty());
}

// The lamp, the port button and the list show the session's port; its boxes are the window's.
TEST_F(CommandsTest, PortControlsFollowTheSession) {
    dlg.SetUiLanguage(Language::English);
    auto* list = dlg.ControlAs<QComboBox>(idc::kPortList);
    auto* button = dlg.ControlAs<QPushButton>(idc::kPortButton);
    OpenPort();
    EXPECT_EQ(dlg.LampIconId(), 130);
    EXPECT_EQ(button->text(), "CLOSE COM");
    EXPECT_EQ(list->itemText(0).left(4), "COM1");
    EXPECT_FALSE(list->itemData(0, Qt::ToolTipRole).toString().isEmpty());

    dlg.OnPortListDropDown(); // the same ports: the list is left alone, the port closes
    ASSERT_TRUE(test::WaitUntil([&] { return !dlg.Port().IsOpen(); }));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(button->text(), "OPEN COM");
    EXPECT_EQ(dlg.LampIconId(), 131);
    Click(idc::kConnect);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Vemla");
    EXPECT_EQ(boxes.shown[0].text, "COM IS NOT OPEN!");

    ports->assign({{"/dev/vemla-no-such-device", "gone"}});
    dlg.OnPortListDropDown(); // other ports: refilled, nothing chosen
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentIndex(), -1);
    list->setCurrentIndex(0);
    Click(idc::kPortButton);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.startsWith("COM CANN'T OPEN!\n"));
    EXPECT_EQ(boxes.shown[1].caption, "Vemla");
    EXPECT_EQ(dlg.LampIconId(), 131) << "a failed open changes nothing visible";
    EXPECT_EQ(button->text(), "OPEN COM");
}

// The settings controls, reached in service mode: the wavelength list dialog, the frame built
// from its list, and the PIN type dialog.
class SettingsTest : public CommandsTest {
protected:
    // Types the wavelengths into the dialog for `count` and presses OK.
    void TypeWaves(int count, const std::vector<const char*>& waves) {
        SetText(idc::kWaveCount, QString::number(count));
        Click(idc::kSetWave);
        CWaveListDlg& list = dlg.WaveListDialog();
        for (std::size_t i = 0; i < waves.size(); ++i)
            list.Field(int(i) + 1)->setText(waves[i]);
        qobject_cast<QPushButton*>(list.Control(idw::kOk))->click();
    }
    // Runs the PIN TYPE button; `act` works the modal dialog while it is open.
    void RunPinDialog(const std::function<void(CPinTypeDlg&)>& act) {
        QTimer::singleShot(0, &dlg, [act] {
            auto* pin = qobject_cast<CPinTypeDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(pin, nullptr);
            act(*pin);
        });
        Click(idc::kPinType);
    }
};

TEST_F(SettingsTest, SetWaveRefusesCountsOutsideOneToTwentyAndShowsTheDialogOtherwise) {
    struct Case {
        Language language;
        const char* count;
        const char* message; // null: the dialog shows
    };
    const Case cases[] = {{Language::English, "0", "Please input a data between 1 and 20!"},
                          {Language::Chinese, "21", "请输入1到20的波长个数"},
                          {Language::Chinese, "20", nullptr}};
    CWaveListDlg& list = dlg.WaveListDialog();
    EXPECT_FALSE(list.isVisible()) << "created hidden with the window";
    for (const Case& c : cases) {
        boxes.shown.clear();
        list.hide();
        dlg.SetUiLanguage(c.language);
        SetText(idc::kWaveCount, c.count);
        Click(idc::kSetWave);
        if (c.message) {
            EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_FALSE(list.isVisible()) << c.count;
        } else {
            EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
            EXPECT_TRUE(list.isVisible()) << c.count;
            EXPECT_EQ(list.Count(), QByteArray(c.count).toInt());
            EXPECT_EQ(list.Control(idw::kGroup)->property("title").toString(), "设置波长");
        }
        EXPECT_TRUE(pty.Received(30ms).empty()) << "SET WAVE sends nothing";
    }
}

TEST_F(SettingsTest, SetDeviceWavesCopiesTwoBytesPerWaveOfTheCountAtSendingTime) {
    OpenPort();
    TypeWaves(3, {"1310", "1550", "1625"});
    TypeWaves(1, {"1550"});
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x07, 0x0A, 0x01, 0x06, 0x0E, 0x55}));
    // Raising the count without a new list sends the end byte and what the longer list left.
    SetText(idc::kWaveCount, "2");
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x09, 0x0A, 0x02, 0x06, 0x0E, 0xBB, 0x0E, 0x55}));
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
}

// The dialog opens with the stored type, asking for a first pick only when there is none; its
// choice is sent and kept. The dialog's own rules are its tests.
TEST_F(SettingsTest, PinTypeSendsThePickAndLaterTheStoredTypeWithoutANewPick) {
    OpenPort();
    RunPinDialog([](CPinTypeDlg& pin) {
        auto* ok = qobject_cast<QPushButton*>(pin.Control(idp::kOk));
        EXPECT_FALSE(ok->isEnabled()) << "nothing confirmed yet: no made-up type";
        pin.TypeList()->setCurrentIndex(1); // "C"
        ok->click();
    });
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x05, 0x0C, 0x01, 0x55}));
    RunPinDialog([](CPinTypeDlg& pin) { // no new pick: the stored type again
        qobject_cast<QPushButton*>(pin.Control(idp::kOk))->click();
    });
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x05, 0x0C, 0x01, 0x55}));
    RunPinDialog([](CPinTypeDlg& pin) {
        pin.TypeList()->setCurrentIndex(0);
        QTest::keyClick(&pin, Qt::Key_Escape);
    });
    EXPECT_TRUE(pty.Received().empty()) << "Escape cancels, after a pick too, and sends nothing";
    EXPECT_EQ(dlg.Session().StoredPinType(), 1) << "and stores nothing";
}

} // namespace
} // namespace vemla
