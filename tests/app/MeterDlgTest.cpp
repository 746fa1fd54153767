// The main window as the operator and the instrument see it: template, start-up state, the
// language from the configuration file and the language list, data exchange, and every reply the
// instrument sends. The captions each language gives are LanguagePartTest's.
#include "IconButton.h"
#include "WindowTest.h"

#include <QMenu>
#include <QMenuBar>

namespace vemla {
namespace {

using namespace test;

using MeterDlgTest = WindowTest;

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

// Ctrl+Shift+S shows exactly the hidden controls and hides them again; nothing moves. The lamp's
// and link's pictures at the start are CommandsTest's and RepliesReachTheControls'.
TEST_F(MeterDlgTest, EveryTemplateControlHasItsKindAndGeometryAndServiceModeShowsTheHidden) {
    // Widget class by ControlKind, in its order.
    constexpr const char* kClass[] = {"QPushButton", "QPushButton", "QGroupBox",        "QLabel",
                                      "QLineEdit",   "QComboBox",   "vemla::CEditList", "QLabel"};
    const DialogLayout& layout = MainDialogTemplate();
    const DialogUnits units(DialogFont());
    Show();
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
            QRect r = units.Rect(c.x, c.y, c.w, c.h);
            if (c.kind == ControlKind::DropDownCombo)
                r.setHeight(w->height()); // as high as its font makes it
            EXPECT_EQ(w->geometry(), r) << c.id;
        }
    }
    QWidget* client = dlg.Control(idc::kExit)->parentWidget(); // below the menu bar
    EXPECT_EQ(client->size(), QSize(units.X(518), units.Y(361)));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "the window is not resizable";
    // What the template leaves to the start: pictures, the default button and the fields' values.
    EXPECT_FALSE(dlg.ControlAs<QLabel>(idc::kPortLamp)->pixmap().isNull());
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_TRUE(dlg.ControlAs<QPushButton>(idc::kExit)->isDefault());
    for (int id : {idc::kUpload, idc::kDeleteSelect, idc::kDeleteAll, idc::kSaveOrPrint})
        EXPECT_TRUE(dlg.ControlAs<CIconButton>(id)->HasIcon()) << id;
    EXPECT_EQ(Text(idc::kWaveCount), "1");
    for (int id : {idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4})
        EXPECT_EQ(Text(id), "0") << id;
}

// --- the language ---

TEST(LanguageStartupTest, StoredValueDecidesTheLanguageAndIsWrittenBack) {
    struct Case {
        std::optional<QByteArray> file;
        Language language;
        QByteArray stored;
    };
    const std::vector<Case> cases{
        {std::nullopt, Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=0\n", Language::English, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=1\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=01\n", Language::English, "[Section1]\nItem=0\n"},
        {"[Section1]\nItem=2\n", Language::Chinese, "[Section1]\nItem=1\n"},
        {"[Section1]\nItem=/\n", Language::Chinese, "[Section1]\nItem=1\n"},
    };
    for (const Case& c : cases) {
        FreshConfig config(c.file);
        RecordingMessageBox boxes;
        CMeterDlg dlg(boxes);
        EXPECT_EQ(dlg.UiLanguage(), c.language) << c.file.value_or("<none>").constData();
        EXPECT_EQ(FreshConfig::Contents(), c.stored) << c.file.value_or("<none>").constData();
        auto* list = dlg.ControlAs<QComboBox>(idc::kLanguageList);
        EXPECT_EQ(list->itemText(0), QString::fromUtf8("中文"));
        EXPECT_EQ(list->itemText(1), "ENGLISH");
        EXPECT_TRUE(boxes.shown.empty());
    }
}

class LanguageListTest : public WindowTest {
protected:
    void SetUp() override { Show(); }
    QComboBox* List() { return Combo(idc::kLanguageList); }
};

// Each close-up applies the entry the operator picked in it, however it was picked; closing the
// list without a pick keeps the language and still writes the file. Rows, notes and the record
// counter survive every switch.
TEST_F(LanguageListTest, EachCloseUpAppliesThePickMadeInIt) {
    enum class Input { Click, Keys, Escape };
    struct Case {
        Input input;
        int index;
        Language language;
    };
    const std::vector<Case> cases{
        {Input::Click, 1, Language::English}, {Input::Click, 0, Language::Chinese},
        {Input::Keys, 1, Language::English},  {Input::Escape, 0, Language::English},
        {Input::Keys, 0, Language::Chinese},  {Input::Escape, 1, Language::Chinese},
    };
    Feed(Record(0));
    dlg.Table().SetItemText(0, 6, QStringLiteral("fibre 7"));
    for (const Case& c : cases) {
        QFile::remove(QStringLiteral("Vemla.ini"));
        if (c.input == Input::Click)
            ClickEntry(List(), c.index);
        else if (c.input == Input::Keys)
            KeyToEntry(List(), c.index);
        else
            Dismiss(List());
        const bool english = c.language == Language::English;
        EXPECT_EQ(dlg.UiLanguage(), c.language) << int(c.input) << c.index;
        EXPECT_EQ(Caption(dlg, idc::kConnect), english ? "CONNECT" : QString::fromUtf8("连接"));
        EXPECT_EQ(List()->currentIndex(), english ? 1 : 0);
        EXPECT_EQ(FreshConfig::Contents(),
                  english ? "[Section1]\nItem=0\n" : "[Section1]\nItem=1\n");
        ASSERT_EQ(dlg.Table().GetItemCount(), 1);
        EXPECT_EQ(dlg.Table().GetItemText(0, 6), "fibre 7");
        EXPECT_EQ(dlg.Session().RecordCounter(), 1);
    }
}

// --- data exchange ---

// The number rules are tests/controls'; here the order the fields are read in, the stop at the
// first bad one (an out-of-range laser keeps the value read) and each field's message.
TEST_F(MeterDlgTest, SaveFieldsStopsAtTheFirstBadFieldAndLaterFieldsKeepTheirValues) {
    const std::array ids{idc::kWaveCount, idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4};
    constexpr Language kEn = Language::English, kZh = Language::Chinese;
    struct Case {
        Language language;
        const char* fields;  // typed: the wave count and lasers 1..4
        const char* read;    // the session's wave count and lasers after
        const char* message; // null: all read
    };
    const Case cases[] = {
        {kZh, "5 1310 abc 1490 1625", "5 1310 0 0 0", "请输入一个不小于 0 的整数。"},
        {kEn, "5 1310 1550 7001 1625", "5 1310 1550 7001 0",
         "Please enter a wavelength between 0 and 7000."},
        {kEn, "x 1 1 1 1", "5 1310 1550 7001 0", "Please enter a whole number."},
        {kEn, "-3 1310 1550 7000 1625", "-3 1310 1550 7000 1625", nullptr},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        dlg.Session().SetLanguage(c.language);
        const QStringList fields = QString(c.fields).split(' ');
        for (size_t i = 0; i < ids.size(); ++i)
            SetText(ids[i], fields[int(i)]);
        EXPECT_EQ(dlg.SaveFields(), c.message == nullptr);
        const auto& lasers = dlg.Session().Lasers();
        EXPECT_EQ(QString::asprintf("%d %u %u %u %u", dlg.Session().WaveCount(), lasers[0],
                                    lasers[1], lasers[2], lasers[3]),
                  c.read);
        EXPECT_EQ(boxes.Texts(),
                  c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList{});
        EXPECT_TRUE(!c.message || boxes.shown[0].caption == "Vemla");
    }
}

TEST_F(MeterDlgTest, ExitRefusesToCloseWhileALaserFromTheMeterIsAbove7000ButEscapeCloses) {
    dlg.show();
    // A connect reply carrying laser 1 = 7500 (0x1D4C).
    Feed({0xAA, 0x0C, 0x01, 0x1D, 0x4C, 0x06, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x55});
    boxes.shown.clear();
    Click(idc::kExit);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u);

    dlg.reject(); // Escape and the close box
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no data exchange on cancel";

    SetText(idc::kLaser1, "1310");
    dlg.show();
    Click(idc::kExit);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

// --- replies ---

// The session's reports reach the controls: the wave list, the fields, the link picture after
// the reply's box, the power field, and the table showing the session's records.
TEST_F(MeterDlgTest, RepliesReachTheControlsInTheirOrder) {
    int linkWhileOpen = 0;
    boxes.whileOpen = [&](const ShownBox&) { linkWhileOpen = dlg.PortStatus().LinkIconId(); };
    Feed({0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x00, 0x00, 0x00, 0x00,
          0x55});
    auto* waves = Combo(idc::kWaveSelect);
    EXPECT_EQ(std::tuple(waves->count(), waves->itemText(0), waves->itemText(1)),
              std::tuple(2, "1310", "1550"));
    EXPECT_EQ(waves->currentIndex(), -1);
    EXPECT_EQ(Text(idc::kLaser2), "1550");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "VORN");
    EXPECT_EQ(linkWhileOpen, 133);
    EXPECT_EQ(dlg.PortStatus().LinkIconId(), 132);

    Feed({0xAA, 0x08, 0x02, 0xC1, 0x55, 0x00, 0x00, 0x55});
    EXPECT_EQ(Text(idc::kPower), "-13.31");
    Feed(Record(0, 1310, 0));
    Feed(Record(1));
    ASSERT_EQ(dlg.Table().GetItemCount(), 2);
    EXPECT_EQ(dlg.Table().GetItemText(1, 3), "10.50dB");
    Feed({0xAA, 0x04, 0x07, 0x55});
    EXPECT_EQ(dlg.Table().GetItemCount(), 0);
}

// The menu's entries run the window's own commands and follow the language list.
TEST_F(MeterDlgTest, MenuEntriesRunTheirCommandsInTheLanguageInForce) {
    Show();
    QMenu* measure = dlg.Menu().MenuOf(MainMenu::Menu::Measure);
    EXPECT_EQ(measure->title(), "测量(&M)");
    MenuEntry(MainMenu::Menu::Measure, 0); // Connect, with the port closed
    EXPECT_EQ(boxes.Texts(), QStringList{"串口没有打开，请打开串口"});

    ClickEntry(Combo(idc::kLanguageList), 1);
    EXPECT_EQ(measure->title(), "&Measure");
    MenuEntry(MainMenu::Menu::Measure, 2); // Read power
    EXPECT_EQ(boxes.Texts().last(), "COM IS NOT OPEN!");
}

} // namespace
} // namespace vemla
