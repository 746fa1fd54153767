// What the window adds to the session's commands, through the real engine on a
// pseudo-terminal: the fields read into each command, the real input that triggers them, the
// port controls following the session, and the settings dialogs reached in service mode. The
// commands' own rules are the session's tests, the dialogs' own rules tests/dialogs'.
#include "PinTypeDlg.h"
#include "WindowTest.h"

#include <QDateTime>

namespace vemla {
namespace {

using namespace test;

struct PtyHolder { // made before the window and gone after it
    PtyPair pty;
};

class CommandsTest : public PtyHolder, public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ports->assign({{pty.Path(), "test meter"}});
        Show();
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

// The operator's own input, through real events: each handler must read the state that input
// made (the entry picked, the text typed), and filling a list is never taken for a pick.
TEST_F(CommandsTest, HandlersReadTheStateTheOperatorsInputMade) {
    ClickOpenPort(); // the list is refilled as it opens, so its one entry is there to click
    auto* waves = Combo(idc::kWaveSelect);
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
         [&] { ClickEntry(waves, 1); },
         {0xAA, 0x05, 0x03, 0x01, 0x55}},
        {"arrow up and Enter", [&] { KeyToEntry(waves, 0); }, {0xAA, 0x05, 0x03, 0x00, 0x55}},
        {"list closed with Escape", [&] { Dismiss(waves); }, {}},
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
    ClickOpenPort();
    for (uint16_t i = 0; i < 5; ++i)
        Feed(Record(i));
    dlg.Table().selectRow(3);
    struct Case {
        std::vector<std::pair<int, const char*>> fields; // typed before the button is clicked
        int button;
        OutFrame frame;
    };
    const Case cases[] = {
        {{{idc::kPower, " -7.32dBm"}}, idc::kPowerAdj, BuildSetCalibration(-7.32f)},
        {{{idc::kPower, "abc"}}, idc::kPowerAdj, BuildSetCalibration(0.0f)},
        {{{idc::kYear, "2013"},
          {idc::kMonth, "x"},
          {idc::kDay, "-1"},
          {idc::kHour, " 15"},
          {idc::kMinute, "27h"}},
         idc::kTimeSet,
         BuildSetTime(2013 & 0xFF, 0, 0xFF, 15, 27)},
        {{{idc::kLaser1, "1310"},
          {idc::kLaser2, "1550"},
          {idc::kLaser3, "1490"},
          {idc::kLaser4, "1625"}},
         idc::kLaserSet,
         BuildSetLasers({1310, 1550, 1490, 1625})},
        {{}, idc::kDeleteSelect, BuildDeleteSelected(3)}, // the first selected row
    };
    for (const Case& c : cases) {
        pty.Received(50ms);
        for (const auto& [id, text] : c.fields)
            SetText(id, text);
        Click(c.button);
        EXPECT_EQ(pty.Received(), Of(c.frame)) << c.button;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(CommandsTest, GetTimeFillsTheFieldsFromTheClock) {
    const std::time_t when = QDateTime(QDate(2013, 10, 9), QTime(15, 27, 45)).toSecsSinceEpoch();
    dlg.SetClock([when] { return when; });
    Click(idc::kGetTime);
    QStringList shown;
    for (int id : {idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute})
        shown << Text(id);
    EXPECT_EQ(shown.join('|'), "13|10| 9|15|27");
}

// The port list follows the session's ports and a failed open changes nothing shown; the
// session's boxes come under the window's caption.
TEST_F(CommandsTest, PortControlsFollowTheSession) {
    dlg.Session().SetLanguage(Language::English);
    auto* list = Combo(idc::kPortList);
    auto* button = dlg.ControlAs<QPushButton>(idc::kPortButton);
    ClickOpenPort(); // the lamp and the button open and closed are PortStatusPartTest's
    EXPECT_EQ(list->itemText(0).left(4), "COM1");

    dlg.OnPortListDropDown(); // the same ports: the list is left alone, the port closes
    ASSERT_TRUE(WaitUntil([&] { return !dlg.Port().IsOpen(); }));
    EXPECT_EQ(list->currentIndex(), 0);

    ports->assign({{"/dev/vemla-no-such-device", "gone"}});
    dlg.OnPortListDropDown(); // other ports: refilled, nothing chosen
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentIndex(), -1);
    list->setCurrentIndex(0);
    Click(idc::kPortButton);
    ASSERT_EQ(boxes.shown.size(), 1u); // the session's "cannot open"
    EXPECT_EQ(boxes.shown[0].caption, "Vemla");
    EXPECT_EQ(dlg.PortStatus().LampIconId(), 131) << "a failed open changes nothing visible";
    EXPECT_EQ(button->text(), "OPEN COM");
}

// Which counts are out of range is the codec's rule, the list and its end byte the dialog's; here
// SET WAVE refuses with the message or shows the list, and the count is read as SET DEVICE WAVES
// is clicked, not when the list was typed.
TEST_F(CommandsTest, SetWaveRefusesABadCountAndTheWavesGoOutForTheCountAtSendingTime) {
    ClickOpenPort();
    CWaveListDlg& list = WaveList();
    SetText(idc::kWaveCount, "21");
    Click(idc::kSetWave);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("请输入1到20的波长个数")});
    EXPECT_FALSE(list.isVisible());
    SetText(idc::kWaveCount, "20");
    Click(idc::kSetWave);
    ASSERT_TRUE(list.isVisible());
    EXPECT_EQ(list.Count(), 20);
    for (int k : {1, 2, 3})
        list.Field(k)->setText(QStringList{"1310", "1550", "1625"}[k - 1]);
    qobject_cast<QPushButton*>(list.Control(idw::kOk))->click();
    SetText(idc::kWaveCount, "2");
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x09, 0x0A, 0x02, 0x05, 0x1E, 0x06, 0x0E, 0x55}));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// The dialog opens with the stored type, asking for a first pick only when there is none; its
// choice is sent and kept. The dialog's own rules are its tests.
TEST_F(CommandsTest, PinTypeSendsThePickAndLaterTheStoredTypeWithoutANewPick) {
    ClickOpenPort();
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
}

} // namespace
} // namespace vemla
