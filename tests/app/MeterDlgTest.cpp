// The main window as the operator and the instrument see it: template, start-up state,
// data exchange, and every reply the instrument sends.
#include "MeterDlg.h"
#include "EditList.h"
#include "FreshConfig.h"
#include "IconButton.h"
#include "MainMenu.h"
#include "PopupPick.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using namespace test;

class MeterDlgTest : public ::testing::Test {
protected:
    void Feed(const test::Bytes& bytes) { test::Feed(dlg, bytes); }
    QString Text(int id) const { return dlg.ControlAs<QLineEdit>(id)->text(); }
    void SetText(int id, const QString& t) { dlg.ControlAs<QLineEdit>(id)->setText(t); }
    FreshConfig config;
    RecordingMessageBox boxes;
    CMeterDlg dlg{boxes};
};

TEST_F(MeterDlgTest, StartsWithDarkLampBrokenLinkAndDefaultFields) {
    EXPECT_EQ(dlg.LampIconId(), 131);
    EXPECT_EQ(dlg.LinkIconId(), 133);
    EXPECT_FALSE(dlg.ControlAs<QLabel>(idc::kPortLamp)->pixmap().isNull());
    EXPECT_EQ(Text(idc::kWaveCount), "1");
    for (int id : {idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4})
        EXPECT_EQ(Text(id), "0") << id;
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_TRUE(dlg.ControlAs<QPushButton>(idc::kExit)->isDefault());
    // The four table buttons paint themselves with their icons.
    for (int id : {idc::kUpload, idc::kDeleteSelect, idc::kDeleteAll, idc::kSaveOrPrint})
        EXPECT_TRUE(dlg.ControlAs<CIconButton>(id)->HasIcon()) << id;
}

// Typing into a header field stops at 1,000 characters; a longer field from an archived upload
// shows whole. The cell editor's bound is tests/controls'.
TEST_F(MeterDlgTest, HeaderFieldsTakeAThousandTypedCharactersAndKeepALongerStoredOne) {
    const std::pair<int, QString HeaderFields::*> fields[] = {
        {idc::kCompany, &HeaderFields::company},
        {idc::kModel, &HeaderFields::model},
        {idc::kSerialNumber, &HeaderFields::serialNumber},
        {idc::kOperator, &HeaderFields::testOperator},
        {idc::kNotes, &HeaderFields::notes}};
    for (const auto& [id, field] : fields) {
        QTest::keyClicks(dlg.ControlAs<QLineEdit>(id), QString(1003, QChar('x')));
        EXPECT_EQ((dlg.Session().Header().*field).size(), 1000) << id;
        dlg.Session().SetHeaderField(field, QString(1500, QChar('n')));
        EXPECT_EQ(Text(id).size(), 1500) << id;
    }
}

// Ctrl+Shift+S shows exactly the hidden controls and hides them again; nothing moves.
TEST_F(MeterDlgTest, EveryTemplateControlHasItsKindAndGeometryAndServiceModeShowsTheHidden) {
    // Widget class by ControlKind, in its order.
    constexpr const char* kClass[] = {"QPushButton", "QPushButton", "QGroupBox",        "QLabel",
                                      "QLineEdit",   "QComboBox",   "vemla::CEditList", "QLabel"};
    const DialogLayout& layout = MainDialogTemplate();
    ASSERT_EQ(layout.controls.size(), 62u);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    for (bool service : {false, true, false}) {
        if (service || dlg.ServiceMode())
            QTest::keyClick(&dlg, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(dlg.ServiceMode(), service);
        size_t statics = 0;
        for (const ControlEntry& c : layout.controls) {
            QWidget* w = c.id == kNoId ? dlg.Built().statics.at(statics++) : dlg.Control(c.id);
            ASSERT_NE(w, nullptr) << c.id;
            EXPECT_TRUE(w->inherits(kClass[int(c.kind)])) << c.id;
            EXPECT_EQ(w->isVisible(), c.visible || service) << c.id;
            const QRect r = dlg.Units().Rect(c.x, c.y, c.w, c.h);
            EXPECT_EQ(w->pos(), r.topLeft()) << c.id;
            EXPECT_EQ(w->width(), r.width()) << c.id;
            if (c.kind != ControlKind::DropDownCombo) {
                EXPECT_EQ(w->height(), r.height()) << c.id;
            }
        }
    }
    EXPECT_EQ(dlg.ClientArea()->size(), QSize(dlg.Units().X(518), dlg.Units().Y(361)));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "the window is not resizable";
}

// --- data exchange ---

TEST_F(MeterDlgTest, SaveFieldsStopsAtTheFirstBadFieldAndLaterFieldsKeepTheirValues) {
    SetText(idc::kWaveCount, "5");
    SetText(idc::kLaser1, "1310");
    SetText(idc::kLaser2, "abc");
    SetText(idc::kLaser3, "1490");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(dlg.Session().WaveCount(), 5);
    EXPECT_EQ(dlg.Session().Lasers(), (std::array<uint32_t, 4>{1310, 0, 0, 0}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Vemla");
    EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8("请输入一个不小于 0 的整数。"));

    dlg.SetUiLanguage(Language::English);
    boxes.shown.clear();
    SetText(idc::kLaser2, "1550");
    SetText(idc::kLaser3, "7001"); // out of range: the value read stays, the rest is not read
    SetText(idc::kLaser4, "1625");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(dlg.Session().Lasers(), (std::array<uint32_t, 4>{1310, 1550, 7001, 0}));
    EXPECT_EQ(boxes.Texts(), QStringList{"Please enter a wavelength between 0 and 7000."});

    boxes.shown.clear();
    SetText(idc::kLaser3, "7000");
    SetText(idc::kWaveCount, "x");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(boxes.Texts(), QStringList{"Please enter a whole number."});
    SetText(idc::kWaveCount, "-3");
    EXPECT_TRUE(dlg.SaveFields());
    EXPECT_EQ(dlg.Session().WaveCount(), -3);
    EXPECT_EQ(dlg.Session().Lasers(), (std::array<uint32_t, 4>{1310, 1550, 7000, 1625}));
}

TEST_F(MeterDlgTest, ExitRefusesToCloseWhileALaserFromTheMeterIsAbove7000ButEscapeCloses) {
    dlg.show();
    // A connect reply carrying laser 1 = 7500 (0x1D4C).
    Feed({0xAA, 0x0C, 0x01, 0x1D, 0x4C, 0x06, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x55});
    EXPECT_EQ(Text(idc::kLaser1), "7500");
    boxes.shown.clear();
    dlg.ControlAs<QPushButton>(idc::kExit)->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u);

    dlg.reject(); // Escape and the close box
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no data exchange on cancel";

    SetText(idc::kLaser1, "1310");
    dlg.show();
    dlg.ControlAs<QPushButton>(idc::kExit)->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

// --- replies ---

// The session's reports reach the controls: the wave list, the fields, the link picture after
// the reply's box, the power field, and the table showing the session's records.
TEST_F(MeterDlgTest, RepliesReachTheControlsInTheirOrder) {
    dlg.SetUiLanguage(Language::English);
    int linkWhileOpen = 0;
    boxes.whileOpen = [&](const ShownBox&) { linkWhileOpen = dlg.LinkIconId(); };
    Feed({0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x00, 0x00, 0x00, 0x00,
          0x55});
    auto* waves = dlg.ControlAs<QComboBox>(idc::kWaveSelect);
    EXPECT_EQ(std::tuple(waves->count(), waves->itemText(0), waves->itemText(1)),
              std::tuple(2, "1310", "1550"));
    EXPECT_EQ(waves->currentIndex(), -1);
    EXPECT_EQ(Text(idc::kLaser2), "1550");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "VORN");
    EXPECT_EQ(boxes.shown[0].text, "CONNECT SUCESS!");
    EXPECT_EQ(linkWhileOpen, 133);
    EXPECT_EQ(dlg.LinkIconId(), 132);

    Feed({0xAA, 0x08, 0x02, 0xC1, 0x55, 0x00, 0x00, 0x55});
    EXPECT_EQ(Text(idc::kPower), "-13.31");
    Feed(Record(0, 1310, 0));
    Feed(Record(1));
    ASSERT_EQ(dlg.Table().GetItemCount(), 2);
    EXPECT_EQ(dlg.Table().GetItemText(1, 3), "10.50dB");
    Feed({0xAA, 0x04, 0x07, 0x55});
    EXPECT_EQ(dlg.Table().GetItemCount(), 0);
}

TEST_F(MeterDlgTest, AboutBoxShowsAndClosesLeavingTheWindowUnchanged) {
    dlg.show();
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == QString::fromUtf8("关于 Vemla") && w->isVisible()) {
                auto* ok = w->findChild<QPushButton*>("1");
                ASSERT_NE(ok, nullptr);
                ok->click();
            }
        }
    });
    dlg.ShowAbout();
    EXPECT_TRUE(dlg.isVisible());
}

// The menu's entries run the window's own commands and follow the language list.
TEST_F(MeterDlgTest, MenuEntriesRunTheirCommandsInTheLanguageInForce) {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* bar = dlg.findChild<QMenuBar*>();
    QMenu* measure = dlg.Menu().MenuOf(CMainMenu::Menu::Measure);
    EXPECT_EQ(measure->title(), "测量(&M)");
    test::ClickMenuEntry(bar, measure, 0); // Connect, with the port closed
    EXPECT_EQ(boxes.Texts(), QStringList{"串口没有打开，请打开串口"});

    test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), 1);
    EXPECT_EQ(measure->title(), "&Measure");
    test::ClickMenuEntry(bar, measure, 2); // Read power
    EXPECT_EQ(boxes.Texts().last(), "COM IS NOT OPEN!");
}

} // namespace
} // namespace vemla
