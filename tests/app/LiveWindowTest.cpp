// What the live power window adds, through the operator's clicks and keys: the menu entry and
// F5, Start/Pause, the relative unit, Hold and Record, the loss reference, against the
// simulated meter. Polling, statistics and the log's lines are the session's tests
// (tests/session/LiveMonitorTest.cpp).
#include "LiveWindow.h"
#include "LiveChart.h"
#include "MainMenu.h"
#include "MeterDlg.h"

#include "FreshConfig.h"
#include "MeterSimulator.h"
#include "PopupPick.h"
#include "PtyPair.h"
#include "RecordingMessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vemla {
namespace {

void Click(QWidget* in, const QString& caption) {
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

TEST(LiveWindow, OpensFromTheMenuAndF5AndShowsTheMetersReadingsLive) {
    test::FreshConfig config("[Section1]\nItem=0\n");
    test::RecordingMessageBox boxes;
    CMeterDlg dlg(boxes);
    QTemporaryDir reports;
    dlg.SetReportFolder(reports.path());
    MeterSimulator meter(SimOptions{});
    ASSERT_TRUE(meter.Start());
    dlg.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
    dlg.show();
    test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kPortList), 0);
    QTest::mouseClick(dlg.ControlAs<QPushButton>(idc::kPortButton), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.Port().IsMonitoring(); }));
    QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return !dlg.Session().Waves().empty(); }));

    QMenu* measure = dlg.Menu().MenuOf(CMainMenu::Menu::Measure);
    EXPECT_EQ(measure->actions().value(3)->text(), "Live power...");
    test::ClickMenuEntry(dlg.findChild<QMenuBar*>(), measure, 3);
    CLiveWindow* live = dlg.LiveWindow();
    ASSERT_TRUE(live && live->isVisible() && !live->isModal());
    live->close();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_F5);
    EXPECT_TRUE(live->isVisible());
    EXPECT_EQ(live->windowTitle(), "Live power");

    const auto& samples = live->Monitor().Samples();
    const auto waitFor = [&](std::size_t more) {
        const std::size_t count = samples.size() + more;
        return test::WaitUntil([&] { return samples.size() >= count; });
    };
    // No wavelength acknowledged yet: nothing to take a loss reference for.
    Click(live, "Use as reference for λ");
    EXPECT_FALSE(dlg.Certification().ReferenceAt(1550));
    test::ClickEntry(dlg.ControlAs<QComboBox>(idc::kWaveSelect), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.Session().SelectedWavelength() == 1550; }));
    const std::size_t boxesBefore = boxes.shown.size(); // the connect's and the choice's replies
    Click(live, "Start");
    ASSERT_TRUE(waitFor(3));
    // The current reading becomes the loss reference at the wavelength the meter acknowledged.
    Click(live, "Use as reference for 1550 nm");
    const double dBm = live->Monitor().Statistics().Current()->dBm;
    const LossReference* reference = dlg.Certification().ReferenceAt(1550);
    ASSERT_TRUE(reference);
    EXPECT_DOUBLE_EQ(reference->dBm, dBm);
    EXPECT_LT(reference->taken.secsTo(QDateTime::currentDateTime()), 60);
    EXPECT_TRUE(
        Labels(live).contains(QString::asprintf("Reference for 1550 nm set to %.2f dBm.", dBm)));
    // Each reading reaches the main window's power field as READ POWER's does.
    EXPECT_EQ(dlg.ControlAs<QLineEdit>(idc::kPower)->text(),
              QString::asprintf("%.2f", samples.back().dBm));

    Click(live, "Set reference");
    test::ClickEntry(live->findChildren<QComboBox*>().at(2), 4); // dB (relative)
    EXPECT_TRUE(Labels(live).contains(QRegularExpression("\\|-?0\\.[01]\\d dB\\|")))
        << Labels(live).toStdString();
    EXPECT_GT(live->Chart().PointCount(), 0);

    Click(live, "Hold");
    const QString held = Labels(live);
    ASSERT_TRUE(waitFor(3));
    EXPECT_EQ(Labels(live), held) << "what is shown stays while readings go on";

    live->SetPathAsker([](const QString& proposed) { return proposed; });
    Click(live, "Record...");
    EXPECT_TRUE(
        Labels(live).contains("Reading the meter.  Recording to " + reports.path() + "/Live "));
    ASSERT_TRUE(waitFor(3));
    Click(live, "Stop recording");
    Click(live, "Pause");
    EXPECT_FALSE(live->Monitor().Running());
    // The log's lines are the session's tests; here only that Record made it.
    EXPECT_EQ(QDir(reports.path()).entryList({"Live *.csv"}).size(), 1);
    EXPECT_EQ(boxes.shown.size(), boxesBefore) << "readings never raise a box";
}

} // namespace
} // namespace vemla
