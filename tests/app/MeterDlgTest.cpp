// The main window as the operator and the instrument see it: template, start-up state,
// data exchange, and every reply the instrument sends.
#include "MeterDlg.h"
#include "EditList.h"
#include "FreshConfig.h"
#include "IconButton.h"
#include "RecordingMessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vemla {
namespace {

using Bytes = std::vector<uint8_t>;

class MeterDlgTest : public ::testing::Test {
protected:
    void Feed(const Bytes& bytes) {
        for (uint8_t b : bytes)
            dlg.OnRxChar(b, 3);
    }
    QString Text(int id) const {
        QWidget* w = dlg.Control(id);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text();
        if (auto* b = qobject_cast<QPushButton*>(w))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w))
            return g->title();
        return {};
    }
    void SetText(int id, const QString& t) { dlg.ControlAs<QLineEdit>(id)->setText(t); }
    QStringList WaveList() const {
        QStringList items;
        auto* c = dlg.ControlAs<QComboBox>(idc::kWaveSelect);
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        return items;
    }

    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg{boxes};
};

// A 22-byte record frame: index, wavelength, power, reference, relative flag, date.
Bytes Record(uint16_t index, uint16_t wave, Bytes power, Bytes reference, uint8_t relative,
             Bytes date = {13, 10, 9, 15, 7}) {
    Bytes f{0xAA, 22, 0x05, uint8_t(index >> 8), uint8_t(index), uint8_t(wave >> 8), uint8_t(wave)};
    f.insert(f.end(), power.begin(), power.end());
    f.insert(f.end(), reference.begin(), reference.end());
    f.push_back(relative);
    f.insert(f.end(), date.begin(), date.end());
    f.push_back(0x55);
    return f;
}

const Bytes kMinus10{0xC1, 0x20, 0x00, 0x00};
const Bytes kMinus20_5{0xC1, 0xA4, 0x00, 0x00};
const Bytes kUploadEnd{0xAA, 0x04, 0x05, 0x55};

TEST_F(MeterDlgTest, StartsWithDarkLampBrokenLinkAndDefaultFields) {
    EXPECT_EQ(dlg.windowTitle(), "VORN");
    EXPECT_EQ(dlg.LampIconId(), 131);
    EXPECT_EQ(dlg.LinkIconId(), 133);
    EXPECT_FALSE(dlg.ControlAs<QLabel>(idc::kPortLamp)->pixmap().isNull());
    EXPECT_EQ(Text(idc::kWaveCount), "1");
    for (int id : {idc::kLaser1, idc::kLaser2, idc::kLaser3, idc::kLaser4})
        EXPECT_EQ(Text(id), "0") << id;
    EXPECT_EQ(dlg.RecordCounter(), 0);
    EXPECT_EQ(dlg.Table().GetItemCount(), 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(dlg.windowIcon().isNull());
    // The four table buttons paint themselves, raised, with their icons.
    for (int id : {idc::kUpload, idc::kDeleteSelect, idc::kDeleteAll, idc::kSaveOrPrint}) {
        auto* button = dlg.ControlAs<CIconButton>(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_TRUE(button->HasIcon()) << id;
        EXPECT_FALSE(button->IsFlat()) << id;
    }
}

TEST_F(MeterDlgTest, EveryTemplateControlExistsWithItsKindCaptionVisibilityAndGeometry) {
    const DialogLayout& layout = MainDialogTemplate();
    ASSERT_EQ(layout.controls.size(), 62u);
    size_t statics = 0;
    for (const ControlEntry& c : layout.controls) {
        QWidget* w = c.id == kNoId ? dlg.Built().statics.at(statics++) : dlg.Control(c.id);
        ASSERT_NE(w, nullptr) << c.id;
        const char* expectedClass = nullptr;
        switch (c.kind) {
        case ControlKind::DefaultButton:
        case ControlKind::PushButton:
            expectedClass = "QPushButton";
            break;
        case ControlKind::GroupBox:
            expectedClass = "QGroupBox";
            break;
        case ControlKind::Label:
        case ControlKind::Icon:
            expectedClass = "QLabel";
            break;
        case ControlKind::Edit:
            expectedClass = "QLineEdit";
            break;
        case ControlKind::DropDownCombo:
            expectedClass = "QComboBox";
            break;
        case ControlKind::ListView:
            expectedClass = "vemla::CEditList";
            break;
        }
        EXPECT_TRUE(w->inherits(expectedClass)) << c.id << " " << expectedClass;
        EXPECT_EQ(w->isVisibleTo(&dlg), c.visible) << c.id;
        const QRect r = dlg.Units().Rect(c.x, c.y, c.w, c.h);
        EXPECT_EQ(w->pos(), r.topLeft()) << c.id;
        EXPECT_EQ(w->width(), r.width()) << c.id;
        if (c.kind != ControlKind::DropDownCombo) {
            EXPECT_EQ(w->height(), r.height()) << c.id;
        }
    }
    EXPECT_EQ(statics, dlg.Built().statics.size());
    EXPECT_EQ(dlg.size(), QSize(dlg.Units().X(518), dlg.Units().Y(361)));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "the window is not resizable";
}

TEST_F(MeterDlgTest, TemplateKeepsTheChineseDefaultCaptions) {
    const std::vector<std::pair<int, const char*>> captions{
        {1, "退出"},
        {1001, "打开串口"},
        {1002, "连接"},
        {1039, "串口操作"},
        {1029, "公司  名称"},
        {1040, "填写用户信息"},
        {1024, "读取电脑时间"},
        {1052, "设置波长值"},
        {1076, "设置设备波长"},
        {1055, "输入波长个数："},
        {1043, "语言切换:"},
        {1023, "激光器设置"},
    };
    const DialogLayout& layout = MainDialogTemplate();
    for (const auto& [id, caption] : captions) {
        const auto it = std::find_if(layout.controls.begin(), layout.controls.end(),
                                     [id = id](const ControlEntry& c) { return c.id == id; });
        ASSERT_NE(it, layout.controls.end()) << id;
        EXPECT_STREQ(it->caption, caption) << id;
    }
    // The laser group is never switched, so its template captions are what the window shows.
    EXPECT_EQ(Text(idc::kLaserSet), QString::fromUtf8("激光器设置"));
    EXPECT_TRUE(dlg.ControlAs<QPushButton>(idc::kExit)->isDefault());
    EXPECT_TRUE(dlg.ControlAs<QLabel>(1029)->alignment() & Qt::AlignRight);
}

TEST_F(MeterDlgTest, DialogUnitsFollowTheFontMetrics) {
    const DialogUnits& u = dlg.Units();
    EXPECT_GT(u.BaseX(), 3);
    EXPECT_GT(u.BaseY(), 8);
    EXPECT_EQ(u.X(4), u.BaseX());
    EXPECT_EQ(u.Y(8), u.BaseY());
    EXPECT_EQ(u.X(0), 0);
}

// --- data exchange ---

TEST_F(MeterDlgTest, SaveFieldsStopsAtTheFirstBadFieldAndLaterFieldsKeepTheirValues) {
    SetText(idc::kWaveCount, "5");
    SetText(idc::kLaser1, "1310");
    SetText(idc::kLaser2, "abc");
    SetText(idc::kLaser3, "1490");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(dlg.WaveCount(), 5);
    EXPECT_EQ(dlg.Lasers()[0], 1310u);
    EXPECT_EQ(dlg.Lasers()[1], 0u);
    EXPECT_EQ(dlg.Lasers()[2], 0u) << "fields after the failure are not read";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Vemla");
    EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8("请输入一个不小于 0 的整数。"));
}

TEST_F(MeterDlgTest, LaserOutOfRangeKeepsTheValueReadAndReportsInEnglish) {
    dlg.SetUiLanguage(0);
    SetText(idc::kLaser3, "7001");
    SetText(idc::kLaser4, "1625");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(dlg.Lasers()[2], 7001u);
    EXPECT_EQ(dlg.Lasers()[3], 0u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Please enter a wavelength between 0 and 7000.");

    boxes.shown.clear();
    SetText(idc::kLaser3, "7000");
    SetText(idc::kWaveCount, "x");
    EXPECT_FALSE(dlg.SaveFields());
    EXPECT_EQ(boxes.Texts(), QStringList{"Please enter a whole number."});
    SetText(idc::kWaveCount, "-3");
    EXPECT_TRUE(dlg.SaveFields());
    EXPECT_EQ(dlg.WaveCount(), -3);
    EXPECT_EQ(dlg.Lasers()[2], 7000u);
    EXPECT_EQ(dlg.Lasers()[3], 1625u);
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
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    dlg.reject(); // Escape and the close box
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u) << "no data exchange on cancel";
}

TEST_F(MeterDlgTest, ExitWithValidFieldsCloses) {
    dlg.show();
    dlg.ControlAs<QPushButton>(idc::kExit)->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(boxes.shown.empty());
}

// --- replies ---

TEST_F(MeterDlgTest, ConnectReplyFillsWavesAndLasersAndShowsLinkOnlyAfterTheBoxCloses) {
    dlg.SetUiLanguage(0);
    int linkWhileOpen = 0;
    boxes.whileOpen = [&](const test::ShownBox&) { linkWhileOpen = dlg.LinkIconId(); };
    Feed({0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0x00, 0x00, 0x00, 0x00,
          0x55});
    EXPECT_EQ(WaveList(), (QStringList{"1310", "1550"}));
    EXPECT_EQ(dlg.Lasers(), (std::array<uint32_t, 4>{1310, 1550, 0, 0}));
    EXPECT_EQ(Text(idc::kLaser2), "1550");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "VORN");
    EXPECT_EQ(boxes.shown[0].text, "CONNECT SUCESS!");
    EXPECT_EQ(linkWhileOpen, 133);
    EXPECT_EQ(dlg.LinkIconId(), 132);
}

TEST_F(MeterDlgTest, ConnectReplyOfTwelveBytesEmptiesTheWaveList) {
    Feed({0xAA, 0x0E, 0x01, 0x05, 0x1E, 0, 1, 0, 2, 0, 3, 0, 4, 0x55});
    EXPECT_EQ(WaveList(), QStringList{"1310"});
    Feed({0xAA, 0x0C, 0x01, 0, 1, 0, 2, 0, 3, 0, 4, 0x55});
    EXPECT_TRUE(WaveList().isEmpty());
    EXPECT_EQ(dlg.Lasers(), (std::array<uint32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(boxes.Texts(),
              (QStringList{QString::fromUtf8("连接成功!"), QString::fromUtf8("连接成功!")}));
}

TEST_F(MeterDlgTest, PowerReplySetsThePowerFieldWithoutAMessage) {
    Feed({0xAA, 0x08, 0x02, 0xC1, 0x20, 0x00, 0x00, 0x55});
    EXPECT_EQ(Text(idc::kPower), "-10.00");
    Feed({0xAA, 0x08, 0x02, 0x3F, 0xC0, 0x00, 0x00, 0x55});
    EXPECT_EQ(Text(idc::kPower), "1.50");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MeterDlgTest, ThreeRecordsThenTheEndGiveThreeRowsAndOneMessage) {
    Bytes stream{0x55}; // noise before the first start byte is dropped
    for (uint16_t i = 0; i < 3; ++i) {
        const Bytes r = Record(i, 1310, kMinus10, kMinus20_5, i == 1);
        stream.insert(stream.end(), r.begin(), r.end());
    }
    stream.insert(stream.end(), kUploadEnd.begin(), kUploadEnd.end());
    dlg.SetUiLanguage(0);
    Feed(stream);
    const CEditList& t = dlg.Table();
    ASSERT_EQ(t.GetItemCount(), 3);
    EXPECT_EQ(dlg.RecordCounter(), 3);
    EXPECT_EQ(boxes.Texts(), QStringList{"UPLOAD SUCESS!"});
    EXPECT_EQ(boxes.shown[0].caption, "VORN");
    const QStringList row1{"2", "1310", "-10.00dBm", "10.50dB", "-20.50dBm", "2013-10-09  15:07  ",
                           ""};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(t.GetItemText(1, c), row1[c]) << c;
    EXPECT_EQ(t.GetItemText(0, 0), "1");
    EXPECT_EQ(t.GetItemText(0, 2), "-10.00dBm");
    EXPECT_EQ(t.GetItemText(0, 3), "");
    EXPECT_EQ(t.GetItemText(0, 4), "");
    EXPECT_FLOAT_EQ(dlg.LastReference(), -20.5f);
}

TEST_F(MeterDlgTest, UploadEndIsSilentWhileSilentUploadIsSet) {
    dlg.SetSilentUpload(1);
    Feed(kUploadEnd);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dlg.SilentUpload(), 1);
    dlg.SetSilentUpload(0);
    Feed(kUploadEnd);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("上传完成!")});
}

TEST_F(MeterDlgTest, RecordNumberedPastTheEndShowsAllItsCellsInTheRowItGot) {
    Feed(Record(0, 1310, kMinus10, kMinus20_5, 0));
    Feed(Record(4, 1550, kMinus10, kMinus20_5, 1)); // records 2..4 were lost
    const CEditList& t = dlg.Table();
    ASSERT_EQ(t.GetItemCount(), 2);
    EXPECT_EQ(dlg.RecordCounter(), 5);
    EXPECT_EQ(t.GetItemText(1, 0), "5");
    EXPECT_EQ(t.GetItemText(1, 1), "1550");
    EXPECT_EQ(t.GetItemText(1, 3), "10.50dB");
    EXPECT_EQ(t.GetItemText(1, 5), "2013-10-09  15:07  ");
}

TEST_F(MeterDlgTest, RecordIndex65535IsNumbered65536) {
    Feed(Record(65535, 1625, kMinus10, kMinus20_5, 0, {9, 3, 1, 0, 0}));
    EXPECT_EQ(dlg.RecordCounter(), 65536);
    EXPECT_EQ(dlg.Table().GetItemText(0, 0), "65536");
    EXPECT_EQ(dlg.Table().GetItemText(0, 5), "2009-03-01  00:00  ");
}

TEST_F(MeterDlgTest, DeleteAllAckEmptiesTheTableAfterTheBoxButKeepsTheCounter) {
    Feed(Record(0, 1310, kMinus10, kMinus20_5, 0));
    Feed(Record(1, 1310, kMinus10, kMinus20_5, 0));
    int rowsWhileOpen = -1;
    boxes.whileOpen = [&](const test::ShownBox&) { rowsWhileOpen = dlg.Table().GetItemCount(); };
    Feed({0xAA, 0x04, 0x07, 0x55});
    EXPECT_EQ(rowsWhileOpen, 2);
    EXPECT_EQ(dlg.Table().GetItemCount(), 0);
    EXPECT_EQ(dlg.RecordCounter(), 2);
    EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf8("删除全部成功!")});
}

TEST_F(MeterDlgTest, EveryAcknowledgementShowsItsMessageInBothLanguages) {
    struct Case {
        uint8_t code;
        const char* english;
        const char* chinese;
    };
    const std::vector<Case> cases{
        {0x03, "CHOOSE WAVE SUCESS!", "波长选择成功!"},
        {0x06, "DELETE SELECTED SUCESS!", "删除选中成功!"},
        {0x08, "Adjust SET SUCESS!", "校准值设置成功!"},
        {0x09, "TIME SET SUCESS!", "时间设定成功!"},
        {0x0A, "WAVE SET SUCESS!", "波长设定成功!"},
        {0x0B, "LASER SET SUCESS!", "激光器设定成功!"},
        {0x0C, "PIN TYPE SET SUCESS!", "PIN类型设定成功!"},
        {0xFC, "波长选择失败!", "波长选择失败!"},
        {0x04, "操作失败!", "操作失败!"},
        {0x00, "操作失败!", "操作失败!"},
        {0x0F, "操作失败!", "操作失败!"},
        {0xFF, "操作失败!", "操作失败!"},
    };
    for (const Case& c : cases) {
        for (int8_t lang : {0, 1}) {
            boxes.shown.clear();
            dlg.SetUiLanguage(lang);
            Feed({0xAA, 0x04, c.code, 0x55});
            // The delete-selected ack is followed by the re-upload's own port check.
            ASSERT_EQ(boxes.shown.size(), c.code == 0x06 ? 2u : 1u) << int(c.code);
            EXPECT_EQ(boxes.shown[0].caption, "VORN");
            EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(lang ? c.chinese : c.english))
                << int(c.code);
        }
    }
}

TEST_F(MeterDlgTest, DeleteSelectedAckStartsTheReuploadOnlyAfterItsBoxCloses) {
    Feed(Record(0, 1310, kMinus10, kMinus20_5, 0));
    int boxesWhileAckOpen = -1;
    boxes.whileOpen = [&](const test::ShownBox& b) {
        if (b.caption == "VORN")
            boxesWhileAckOpen = int(boxes.shown.size());
    };
    Feed({0xAA, 0x04, 0x06, 0x55});
    EXPECT_EQ(boxesWhileAckOpen, 1);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Vemla");
    EXPECT_EQ(boxes.shown[1].text, QString::fromUtf8("串口没有打开，请打开串口"));
    EXPECT_EQ(dlg.Table().GetItemCount(), 1) << "a closed port leaves the table as it is";
}

TEST_F(MeterDlgTest, ALanguageOtherThanTheTwoShowsNoBox) {
    dlg.SetUiLanguage(2);
    Feed({0xAA, 0x04, 0x09, 0x55});
    Feed(kUploadEnd);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MeterDlgTest, CutRecordIsDroppedAndTheNextFramesStillArrive) {
    Bytes cut = Record(0, 1310, kMinus10, kMinus20_5, 0);
    cut.resize(9);
    Bytes stream = cut;
    for (const Bytes& f :
         {Record(1, 1310, kMinus10, kMinus20_5, 0), Record(2, 1550, kMinus10, kMinus20_5, 1)})
        stream.insert(stream.end(), f.begin(), f.end());
    stream.insert(stream.end(), kUploadEnd.begin(), kUploadEnd.end());
    Feed(stream);
    ASSERT_EQ(dlg.Table().GetItemCount(), 2);
    EXPECT_EQ(dlg.Table().GetItemText(0, 0), "2");
    EXPECT_EQ(dlg.Table().GetItemText(1, 1), "1550");
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(MeterDlgTest, AboutBoxShowsAndClosesLeavingTheWindowUnchanged) {
    dlg.show();
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == QString::fromUtf8("关于 Vemla") && w->isVisible()) {
                auto* ok = w->findChild<QPushButton*>("1");
                ASSERT_NE(ok, nullptr);
                EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
                ok->click();
            }
        }
    });
    dlg.ShowAbout();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.LinkIconId(), 133);
}

} // namespace
} // namespace vemla

namespace vemla {
namespace {

TEST(EditListTest, ColumnsHaveTheirCaptionsInBothLanguagesAndTheirWidths) {
    CEditList table;
    const std::vector<int> widths{60, 80, 100, 100, 100, 150, 150};
    const QStringList english{"NUMBER", "WAVE LENGTH", "POWER", "RELATIVE POWER",
                              "REF",    "DATA/TIME",   "NOTE"};
    const QStringList chinese{QString::fromUtf8("序号"),   QString::fromUtf8("波长"),
                              QString::fromUtf8("功率值"), QString::fromUtf8("相对功率值"),
                              QString::fromUtf8("参考值"), QString::fromUtf8("日期/时间"),
                              QString::fromUtf8("备注")};
    for (const auto& [lang, captions] : {std::pair{0, english}, std::pair{1, chinese}}) {
        table.RebuildColumns(CEditList::ColumnCaptions(lang));
        ASSERT_EQ(table.model()->columnCount(), 7);
        for (int c = 0; c < 7; ++c) {
            EXPECT_EQ(table.model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
            EXPECT_EQ(table.columnWidth(c), widths[static_cast<size_t>(c)]);
        }
    }
    EXPECT_TRUE(CEditList::ColumnCaptions(3).isEmpty());
}

TEST(EditListTest, RowsInsertAtTheirPlaceOrAtTheEndAndMissingCellsReadEmpty) {
    CEditList table;
    table.RebuildColumns(CEditList::ColumnCaptions(0));
    EXPECT_EQ(table.InsertItem(0, "1"), 0);
    EXPECT_EQ(table.InsertItem(5, "6"), 1);
    EXPECT_EQ(table.InsertItem(1, "2"), 1);
    EXPECT_EQ(table.InsertItem(-1, "x"), 3);
    EXPECT_EQ(table.GetItemText(1, 0), "2");
    EXPECT_EQ(table.GetItemText(2, 0), "6");
    EXPECT_TRUE(table.SetItemText(2, 6, "note"));
    EXPECT_FALSE(table.SetItemText(4, 0, "no such row"));
    EXPECT_FALSE(table.SetItemText(0, 7, "no such column"));
    EXPECT_EQ(table.GetItemText(2, 6), "note");
    EXPECT_EQ(table.GetItemText(9, 0), "");
    EXPECT_EQ(table.GetItemText(0, -1), "");
    EXPECT_EQ(table.GetFirstSelectedRow(), -1);
    table.selectRow(2);
    EXPECT_EQ(table.GetFirstSelectedRow(), 2);
    table.DeleteAllItems();
    EXPECT_EQ(table.GetItemCount(), 0);
    EXPECT_EQ(table.GetFirstSelectedRow(), -1);
}

} // namespace
} // namespace vemla

namespace vemla {
namespace {

TEST(ServiceModeTest, ShortcutTogglesExactlyTheHiddenControls) {
    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    CMeterDlg dlg(boxes);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    const DialogLayout& layout = MainDialogTemplate();
    const auto check = [&](bool service) {
        size_t statics = 0;
        for (const ControlEntry& c : layout.controls) {
            QWidget* w = c.id == kNoId ? dlg.Built().statics[statics++] : dlg.Control(c.id);
            EXPECT_EQ(w->isVisible(), c.visible || service) << c.id;
            EXPECT_EQ(w->pos(), dlg.Units().Rect(c.x, c.y, c.w, c.h).topLeft()) << c.id;
        }
    };
    check(false);
    QTest::keyClick(&dlg, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(dlg.ServiceMode());
    check(true);
    QTest::keyClick(&dlg, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    check(false);
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
} // namespace vemla
