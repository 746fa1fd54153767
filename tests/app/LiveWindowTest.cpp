// What the live power window adds, through the operator's clicks and keys: the menu entry and
// F5, Start/Pause, the relative unit, Hold and Record, against the simulated meter. The polling
// rules, statistics and log format are the session's tests (tests/session/LiveMonitorTest.cpp).
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vemla {
namespace {

QPushButton* Button(QWidget* in, const QString& text) {
    for (auto* b : in->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QString Label(QWidget* in, const QRegularExpression& pattern) {
    for (auto* l : in->findChildren<QLabel*>())
        if (pattern.match(l->text()).hasMatch())
            return l->text();
    return {};
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
    ASSERT_TRUE(dlg.Port().IsOpen());

    QMenu* measure = dlg.Menu().MenuOf(CMainMenu::Menu::Measure);
    EXPECT_EQ(measure->actions().value(3)->text(), "Live power...");
    test::ClickMenuEntry(dlg.findChild<QMenuBar*>(), measure, 3);
    CLiveWindow* live = dlg.LiveWindow();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(live->isVisible());
    EXPECT_FALSE(live->isModal());
    live->close();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_F5);
    EXPECT_TRUE(live->isVisible());
    EXPECT_EQ(live->windowTitle(), "Live power");
    live->SetPathAsker([](const QString& proposed) { return proposed; });

    QTest::mouseClick(Button(live, "Start"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return live->Monitor().Samples().size() >= 3; }));
    // Each reading reaches the main window's power field as READ POWER's does.
    EXPECT_EQ(dlg.ControlAs<QLineEdit>(idc::kPower)->text(),
              QString::asprintf("%.2f", live->Monitor().Samples().back().dBm));

    QTest::mouseClick(Button(live, "Set reference"), Qt::LeftButton);
    test::ClickEntry(live->findChildren<QComboBox*>().at(2), 4); // dB (relative)
    const QString relative = Label(live, QRegularExpression("^-?\\d+\\.\\d\\d dB$"));
    EXPECT_LT(std::abs(relative.chopped(3).toDouble()), 0.2) << relative.toStdString();
    live->Refresh();
    EXPECT_GT(live->Chart().PointCount(), 0);

    QTest::mouseClick(Button(live, "Hold"), Qt::LeftButton);
    const QString held = QString::number(live->Monitor().Statistics().Count());
    const QRegularExpression heldCount("^" + held + "$");
    ASSERT_FALSE(Label(live, heldCount).isEmpty());
    const auto count = live->Monitor().Samples().size();
    ASSERT_TRUE(test::WaitUntil([&] { return live->Monitor().Samples().size() >= count + 3; }));
    EXPECT_FALSE(Label(live, heldCount).isEmpty()) << "the count shown stays while readings go on";

    QTest::mouseClick(Button(live, "Record..."), Qt::LeftButton);
    EXPECT_FALSE(Label(live, QRegularExpression("^Reading the meter\\.  Recording to " +
                                                QRegularExpression::escape(reports.path()) +
                                                "/Live .*\\.csv$"))
                     .isEmpty());
    ASSERT_TRUE(test::WaitUntil([&] { return live->Monitor().Samples().size() >= count + 6; }));
    QTest::mouseClick(Button(live, "Stop recording"), Qt::LeftButton);
    QTest::mouseClick(Button(live, "Pause"), Qt::LeftButton);
    EXPECT_FALSE(live->Monitor().Running());
    const QStringList logs = QDir(reports.path()).entryList({"Live *.csv"});
    ASSERT_EQ(logs.size(), 1);
    QFile log(QDir(reports.path()).filePath(logs[0]));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_GE(log.readAll().count('\n'), 3);
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
} // namespace vemla
