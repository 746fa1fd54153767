// Every caption of the main window and the two dialogs fits its control in both languages, at
// the fonts in use, and the port list shows an entry's COM number.
#include "TextFit.h"
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "PinTypeDlg.h"
#include "PopupPick.h"
#include "RecordingMessageBox.h"
#include "WaveListDlg.h"

#include <QHeaderView>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace vemla {
namespace {

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

TEST(TextFitTest, EveryCaptionFitsInBothLanguages) {
    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    auto devices = std::make_shared<std::vector<PortCandidate>>(std::vector<PortCandidate>{
        {"/dev/ttyUSB0", ""}, {"/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0", ""}});
    CMeterDlg dlg{boxes, std::make_unique<test::FixedPortSource>(devices)};
    auto* ports = dlg.ControlAs<QComboBox>(idc::kPortList);
    test::ClickEntry(ports, 1);      // the list is read as it opens
    for (const int entry : {0, 1}) { // 中文, then ENGLISH
        test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kLanguageList), entry);
        EXPECT_EQ(Misfits(dlg.Built()), "") << "main window, language entry " << entry;
        EXPECT_TRUE(HeaderFits(dlg.Table().horizontalHeader())) << entry;
        CWaveListDlg waves{boxes};
        waves.PrepareForCount(20, dlg.UiLanguage());
        EXPECT_EQ(Misfits(waves.Built()), "") << "wavelength list, entry " << entry;
        CPinTypeDlg pins{dlg.UiLanguage(), 0, true};
        EXPECT_EQ(Misfits(pins.Built()), "") << "PIN type, entry " << entry;
    }
    // The field shows the entry from its start: the COM number, not the end of a long path.
    ASSERT_TRUE(ports->currentText().startsWith("COM"));
    EXPECT_EQ(ports->lineEdit()->cursorPosition(), 0);
}

} // namespace
} // namespace vemla
