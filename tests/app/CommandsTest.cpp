// Instrument commands through the real engine on a pseudo-terminal: the bytes on the line,
// the closed-port paths, and the port button's states.
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
#include <QLabel>
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
    void Feed(const Bytes& bytes) {
        for (uint8_t b : bytes)
            dlg.OnRxChar(b, 1);
    }

    test::FreshConfig config;
    test::PtyPair pty;
    std::shared_ptr<std::vector<PortCandidate>> ports;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg;
};

TEST_F(CommandsTest, EveryButtonWritesItsFrameByteForByte) {
    OpenPort();
    struct Case {
        const char* what;
        std::function<void()> act;
        Bytes frame;
    };
    const std::vector<Case> cases{
        {"connect", [&] { Click(idc::kConnect); }, {0xAA, 0x04, 0x01, 0x55}},
        {"read power", [&] { Click(idc::kReadPower); }, {0xAA, 0x04, 0x02, 0x55}},
        {"upload", [&] { Click(idc::kUpload); }, {0xAA, 0x04, 0x05, 0x55}},
        {"power adj",
         [&] {
             SetText(idc::kPower, "-10.00");
             Click(idc::kPowerAdj);
         },
         {0xAA, 0x08, 0x08, 0xC1, 0x20, 0x00, 0x00, 0x55}},
        {"power adj -7.32",
         [&] {
             SetText(idc::kPower, " -7.32dBm");
             Click(idc::kPowerAdj);
         },
         {0xAA, 0x08, 0x08, 0xC0, 0xEA, 0x3D, 0x71, 0x55}},
        {"power adj no number",
         [&] {
             SetText(idc::kPower, "abc");
             Click(idc::kPowerAdj);
         },
         {0xAA, 0x08, 0x08, 0x00, 0x00, 0x00, 0x00, 0x55}},
        {"time set",
         [&] {
             for (auto [id, t] : {std::pair{idc::kYear, "13"},
                                  {idc::kMonth, "10"},
                                  {idc::kDay, " 9"},
                                  {idc::kHour, "15"},
                                  {idc::kMinute, "27"}})
                 SetText(id, t);
             Click(idc::kTimeSet);
         },
         {0xAA, 0x09, 0x09, 0x0D, 0x0A, 0x09, 0x0F, 0x1B, 0x55}},
        {"time set four-digit year and junk",
         [&] {
             SetText(idc::kYear, "2013");
             SetText(idc::kMonth, "x");
             SetText(idc::kDay, "-1");
             Click(idc::kTimeSet);
         },
         {0xAA, 0x09, 0x09, 0xDD, 0x00, 0xFF, 0x0F, 0x1B, 0x55}},
        {"laser set",
         [&] {
             for (auto [id, t] : {std::pair{idc::kLaser1, "1310"},
                                  {idc::kLaser2, "1550"},
                                  {idc::kLaser3, "1490"},
                                  {idc::kLaser4, "1625"}})
                 SetText(id, t);
             Click(idc::kLaserSet);
         },
         {0xAA, 0x0C, 0x0B, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0xD2, 0x06, 0x59, 0x55}},
    };
    for (const Case& c : cases) {
        pty.Received(50ms); // nothing left over from the one before
        c.act();
        EXPECT_EQ(pty.Received(), c.frame) << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();

    // A double click is two clicks: as a person's arrives, a click, then a press reported as
    // a double click, then its release. Two questions, both declined, so nothing is sent.
    boxes.answers = {BoxAnswer::Cancel, BoxAnswer::Cancel};
    QWidget* button = dlg.Control(idc::kDeleteAll);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(pty.Received().empty());
}

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
        {"click on the second wavelength", [&] { test::ClickEntry(waves, 1); },
         {0xAA, 0x05, 0x03, 0x01, 0x55}},
        {"arrow up and Enter", [&] { test::KeyToEntry(waves, 0); },
         {0xAA, 0x05, 0x03, 0x00, 0x55}},
        {"list closed with Escape", [&] { test::Dismiss(waves); }, {}},
        // Kept as the meter's program does it: the port list's index goes out, then 0xBB.
        {"a digit typed", [&] { QTest::keyClick(waves->lineEdit(), Qt::Key_7); },
         {0xAA, 0x05, 0x0F, 0x00, 0xBB}},
    };
    for (const Case& c : cases) {
        pty.Received(50ms);
        c.input();
        EXPECT_EQ(pty.Received(), c.frame) << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
}

TEST_F(CommandsTest, DeleteAllEndsWithBBInEnglishAnd55InChinese) {
    OpenPort();
    dlg.SetUiLanguage(Language::English);
    Click(idc::kDeleteAll);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x04, 0x07, 0xBB}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "VORN");
    EXPECT_EQ(boxes.shown[0].text, "DELETE ALL DATA?");
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::OkCancel);

    dlg.SetUiLanguage(Language::Chinese);
    Click(idc::kDeleteAll);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x04, 0x07, 0x55}));
    EXPECT_EQ(boxes.shown.back().text, QString::fromUtf8("确认删除全部?"));

    boxes.answers.push_back(BoxAnswer::Cancel);
    Click(idc::kDeleteAll);
    EXPECT_TRUE(pty.Received().empty());
}

TEST_F(CommandsTest, DeleteSelectSendsTheRowAndSilencesTheReupload) {
    OpenPort();
    for (uint16_t i = 0; i < 5; ++i)
        Feed(Record(i));
    dlg.Table().selectRow(3);
    Click(idc::kDeleteSelect);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x06, 0x06, 0x00, 0x04, 0x55}));
    EXPECT_EQ(dlg.Session().SilentUpload(), 1);

    // The acknowledgement: its box, then the re-upload empties the table and asks again.
    Feed({0xAA, 0x04, 0x06, 0x55});
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x04, 0x05, 0x55}));
    EXPECT_EQ(dlg.Table().GetItemCount(), 0);
    EXPECT_EQ(dlg.Session().RecordCounter(), 0);
    for (uint16_t i = 0; i < 4; ++i)
        Feed(Record(i));
    Feed({0xAA, 0x04, 0x05, 0x55});
    EXPECT_EQ(dlg.Table().GetItemCount(), 4);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("删除选中成功!")})
        << "no upload message after a delete";

    Click(idc::kUpload); // the operator's own upload speaks again
    EXPECT_EQ(dlg.Session().SilentUpload(), 0);
}

TEST_F(CommandsTest, DeleteSelectWithNoRowOrNoRecordsSendsNothing) {
    OpenPort();
    Click(idc::kDeleteSelect); // record counter 0: nothing at all
    EXPECT_EQ(dlg.Session().SilentUpload(), 0);
    Feed(Record(0));
    Feed(Record(1));
    Click(idc::kDeleteSelect); // rows but none selected
    EXPECT_EQ(dlg.Session().SilentUpload(), 1);
    EXPECT_TRUE(pty.Received().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CommandsTest, ClosedPortShowsTheNotOpenMessageAndWritesNothing) {
    Feed(Record(0));
    dlg.SetUiLanguage(Language::English);
    dlg.Session().SetSilentUpload(1);
    for (int id : {idc::kConnect, idc::kUpload, idc::kReadPower, idc::kPowerAdj, idc::kTimeSet,
                   idc::kLaserSet}) {
        boxes.shown.clear();
        Click(id);
        ASSERT_EQ(boxes.shown.size(), 1u) << id;
        EXPECT_EQ(boxes.shown[0].caption, "Vemla") << id;
        EXPECT_EQ(boxes.shown[0].text, "COM IS NOT OPEN!") << id;
    }
    EXPECT_EQ(dlg.Session().SilentUpload(), 0) << "UPLOAD DATA clears it even with the port closed";
    EXPECT_EQ(dlg.Table().GetItemCount(), 1);
    EXPECT_EQ(dlg.Session().RecordCounter(), 1);
    dlg.Table().selectRow(0);
    Click(idc::kDeleteSelect);
    EXPECT_EQ(dlg.Session().SilentUpload(), 0) << "left unchanged when the port is not open";
    EXPECT_TRUE(pty.Received().empty());
}

TEST_F(CommandsTest, GetTimeFillsTheFieldsFromTheClock) {
    std::tm t{};
    t.tm_year = 113;
    t.tm_mon = 9;
    t.tm_mday = 9;
    t.tm_hour = 15;
    t.tm_min = 27;
    t.tm_sec = 45;
    t.tm_isdst = -1;
    const std::time_t when = std::mktime(&t);
    dlg.SetClock([when] { return when; });
    Click(idc::kGetTime);
    const std::array ids{idc::kYear, idc::kMonth, idc::kDay, idc::kHour, idc::kMinute};
    const QStringList expected{"13", "10", " 9", "15", "27"};
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(dlg.ControlAs<QLineEdit>(ids[i])->text(), expected[int(i)]);
    EXPECT_TRUE(boxes.shown.empty());
}

// --- the port button and the port list ---

TEST_F(CommandsTest, PortButtonOpensAndClosesWithCaptionsAndLamp) {
    dlg.SetUiLanguage(Language::English);
    OpenPort();
    EXPECT_TRUE(dlg.Session().PortToggle());
    EXPECT_TRUE(dlg.Session().PortOpenFlag());
    EXPECT_TRUE(dlg.Session().OpenRequested());
    EXPECT_EQ(dlg.LampIconId(), 130);
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "CLOSE COM");
    EXPECT_EQ(dlg.ControlAs<QComboBox>(idc::kPortList)->itemText(0).left(4), "COM1");
    EXPECT_EQ(
        dlg.ControlAs<QComboBox>(idc::kPortList)->itemData(0, Qt::ToolTipRole).toString().isEmpty(),
        false);

    Click(idc::kPortButton);
    EXPECT_TRUE(test::WaitUntil([&] { return !dlg.Port().IsOpen(); }));
    EXPECT_FALSE(dlg.Session().PortToggle());
    EXPECT_FALSE(dlg.Session().PortOpenFlag());
    EXPECT_FALSE(dlg.Session().OpenRequested());
    EXPECT_EQ(dlg.LampIconId(), 131);
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");
    Click(idc::kReadPower); // not requested any more: no re-open
    EXPECT_FALSE(dlg.Port().IsOpen());
}

TEST_F(CommandsTest, FailedOpenThenTwoClicks) {
    dlg.SetUiLanguage(Language::English);
    auto* list = dlg.ControlAs<QComboBox>(idc::kPortList);
    ports->assign({{"/dev/vemla-no-such-device", "gone"}});
    dlg.OnPortListDropDown();
    list->setCurrentIndex(0);
    Click(idc::kPortButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith("COM CANN'T OPEN!\n"));
    EXPECT_TRUE(boxes.shown[0].text.contains("not there")) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(dlg.Session().PortToggle());
    EXPECT_TRUE(dlg.Session().OpenRequested());
    EXPECT_EQ(dlg.LampIconId(), 131);
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");

    Click(idc::kPortButton); // the closing path: nothing visible changes
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(dlg.Session().PortToggle());
    Click(idc::kPortButton); // and this one tries again
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(CommandsTest, DropDownWhileOpenClosesAndACommandReopensTheSamePort) {
    dlg.SetUiLanguage(Language::English);
    OpenPort();
    dlg.OnPortListDropDown();
    EXPECT_TRUE(test::WaitUntil([&] { return !dlg.Port().IsOpen(); }));
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");
    EXPECT_EQ(dlg.LampIconId(), 131);
    EXPECT_TRUE(dlg.Session().OpenRequested());
    EXPECT_TRUE(dlg.Session().PortOpenFlag()) << "the flag only follows the button";

    Click(idc::kConnect); // the four that do not re-open report the closed port
    EXPECT_EQ(boxes.Texts(), QStringList{"COM IS NOT OPEN!"});
    Click(idc::kReadPower);
    EXPECT_TRUE(dlg.Port().IsOpen());
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x04, 0x02, 0x55}));
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");
}

TEST_F(CommandsTest, TheListIsRefilledOnlyWhenThePortsChange) {
    auto* list = dlg.ControlAs<QComboBox>(idc::kPortList);
    dlg.OnPortListDropDown();
    list->setCurrentIndex(0);
    dlg.OnPortListDropDown();
    EXPECT_EQ(list->currentIndex(), 0) << "same ports: the list was left alone";
    ports->push_back({"/dev/vemla-second", "second"});
    dlg.OnPortListDropDown();
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    ports->clear();
    dlg.OnPortListDropDown();
    EXPECT_EQ(list->count(), 0);
    // No ports, nothing selected: the selection message, and nothing else changes.
    dlg.SetUiLanguage(Language::English);
    Click(idc::kPortButton);
    EXPECT_EQ(boxes.Texts(), QStringList{"PLEASE SELSECT THE COM PORT!"});
    EXPECT_FALSE(dlg.Session().PortToggle());
    EXPECT_EQ(dlg.LampIconId(), 131);
    dlg.SetUiLanguage(Language::Chinese);
    Click(idc::kPortButton);
    EXPECT_EQ(boxes.shown.back().text, QString::fromUtf8("请选择端口号!"));
}

// The settings controls, reached in service mode: the wavelength list dialog, the frame built
// from its list, and the PIN type dialog.
class SettingsTest : public CommandsTest {
protected:
    void SetWaveCount(const QString& count) { SetText(idc::kWaveCount, count); }
    // Types the wavelengths into the dialog for `count` and presses OK.
    void TypeWaves(int count, const std::vector<const char*>& waves) {
        SetWaveCount(QString::number(count));
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
        SetWaveCount(c.count);
        Click(idc::kSetWave);
        if (c.message) {
            ASSERT_EQ(boxes.shown.size(), 1u) << c.count;
            EXPECT_EQ(boxes.shown[0].caption, "Vemla");
            EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(c.message));
            EXPECT_FALSE(list.isVisible()) << c.count;
        } else {
            EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
            EXPECT_TRUE(list.isVisible()) << c.count;
            EXPECT_EQ(list.Count(), QByteArray(c.count).toInt());
            EXPECT_EQ(list.CaptionLanguage(), c.language);
        }
        EXPECT_TRUE(pty.Received(30ms).empty()) << "SET WAVE sends nothing";
    }
}

TEST_F(SettingsTest, SetDeviceWavesCopiesTwoBytesPerWaveOfTheCountAtSendingTime) {
    OpenPort();
    TypeWaves(3, {"1310", "1550", "1625"});
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(),
              (Bytes{0xAA, 0x0B, 0x0A, 0x03, 0x05, 0x1E, 0x06, 0x0E, 0x06, 0x59, 0x55}));
    TypeWaves(1, {"1550"});
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x07, 0x0A, 0x01, 0x06, 0x0E, 0x55}));
    // Raising the count without a new list sends the end byte and what the longer list left.
    SetWaveCount("2");
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x09, 0x0A, 0x02, 0x06, 0x0E, 0xBB, 0x0E, 0x55}));
    for (auto [count, frame] : {std::pair{"0", Bytes{0xAA, 0x05, 0x0A, 0x00, 0x55}},
                                {"-1", Bytes{0xAA, 0x05, 0x0A, 0xFF, 0x55}}}) {
        SetWaveCount(count);
        Click(idc::kSetDeviceWaves);
        EXPECT_EQ(pty.Received(), frame) << count;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().join('|').toStdString();
    // Above the list's 20 wavelengths: the range message and nothing on the line.
    dlg.SetUiLanguage(Language::English);
    SetWaveCount("21");
    Click(idc::kSetDeviceWaves);
    EXPECT_EQ(boxes.Texts(), QStringList{"Please input a data between 1 and 20!"});
    EXPECT_TRUE(pty.Received().empty());
}

TEST_F(SettingsTest, PinTypeSendsThePickAndLaterTheStoredTypeWithoutANewPick) {
    OpenPort();
    EXPECT_FALSE(dlg.Session().StoredPinType().has_value());
    RunPinDialog([](CPinTypeDlg& pin) {
        auto* ok = qobject_cast<QPushButton*>(pin.Control(idp::kOk));
        EXPECT_FALSE(ok->isEnabled()) << "nothing confirmed yet: no made-up type";
        pin.TypeList()->setCurrentIndex(1); // "C"
        pin.TypeList()->setCurrentIndex(0); // then "A": the last pick counts
        ok->click();
    });
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x05, 0x0C, 0x00, 0x55}));
    RunPinDialog([](CPinTypeDlg& pin) {
        pin.TypeList()->setCurrentIndex(1);
        qobject_cast<QPushButton*>(pin.Control(idp::kOk))->click();
    });
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x05, 0x0C, 0x01, 0x55}));
    RunPinDialog([](CPinTypeDlg& pin) {
        EXPECT_EQ(pin.TypeList()->currentIndex(), -1) << "no selection on opening";
        qobject_cast<QPushButton*>(pin.Control(idp::kOk))->click();
    });
    EXPECT_EQ(pty.Received(), (Bytes{0xAA, 0x05, 0x0C, 0x01, 0x55}));
    RunPinDialog([](CPinTypeDlg& pin) {
        pin.TypeList()->setCurrentIndex(0);
        pin.reject();
    });
    EXPECT_TRUE(pty.Received().empty()) << "cancel sends nothing";
    EXPECT_EQ(dlg.Session().StoredPinType(), 1) << "and stores nothing";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SettingsTest, PinTypeWithThePortClosedStoresTheTypeAndSaysTheNotOpenMessage) {
    dlg.SetUiLanguage(Language::Chinese);
    RunPinDialog([](CPinTypeDlg& pin) {
        EXPECT_EQ(qobject_cast<QLabel*>(pin.Control(idp::kLabel))->text(),
                  Pick(text::kPinTypeLabel, Language::Chinese));
        pin.TypeList()->setCurrentIndex(1);
        qobject_cast<QPushButton*>(pin.Control(idp::kOk))->click();
    });
    EXPECT_EQ(dlg.Session().StoredPinType(), 1);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("串口没有打开，请打开串口")});
    EXPECT_TRUE(pty.Received().empty());
}

} // namespace
} // namespace vemla
