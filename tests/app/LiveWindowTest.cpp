// What the live power window adds, through the operator's clicks and keys against the simulated
// meter: the menu entry and F5, Start/Pause, the loss reference, the relative unit, Hold and
// Record. Polling, statistics and the log's lines are the session's tests
// (tests/session/LiveMonitorTest.cpp).
#include "LiveWindow.h"
#include "LiveChart.h"
#include "MeterSimulator.h"
#include "WindowTest.h"

#include <QRegularExpression>

namespace vemla {
namespace {

using namespace test;

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

// The window over the simulated meter, its port open and its wavelengths known.
class LiveWindowTest : public WindowTest {
protected:
    LiveWindowTest() : WindowTest("[Section1]\nItem=0\n") {}
    void SetUp() override {
        dlg.Export().SetReportFolder(folder.path());
        ASSERT_TRUE(meter.Start());
        dlg.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
        Show();
        ClickOpenPort();
        QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return !dlg.Session().Waves().empty(); }));
    }
    // F5, with the meter's second wavelength chosen and acknowledged.
    LiveWindow& OpenAt1550() {
        QTest::keyClick(&dlg, Qt::Key_F5);
        ClickEntry(dlg.ControlAs<QComboBox>(idc::kWaveSelect), 1);
        EXPECT_TRUE(WaitUntil([&] { return dlg.Session().SelectedWavelength() == 1550; }));
        return *dlg.LiveMonitorWindow();
    }
    bool WaitForReadings(LiveWindow& live, std::size_t more) {
        const std::size_t count = live.Monitor().Samples().size() + more;
        return WaitUntil([&] { return live.Monitor().Samples().size() >= count; });
    }

    MeterSimulator meter{SimOptions{}};
};

// F5 is the other tests' way in.
TEST_F(LiveWindowTest, OpensFromTheMenuAsAWindowOfItsOwn) {
    QMenu* measure = dlg.Menu().MenuOf(MainMenu::Menu::Measure);
    EXPECT_EQ(measure->actions().value(3)->text(), "Live power...");
    MenuEntry(MainMenu::Menu::Measure, 3);
    LiveWindow* live = dlg.LiveMonitorWindow();
    ASSERT_TRUE(live && live->isVisible() && !live->isModal());
    EXPECT_EQ(live->windowTitle(), "Live power");
}

// The current reading becomes the loss reference at the wavelength the meter acknowledged, the
// next verifies the cords against it, and each reading reaches the main window's power field as
// READ POWER's does.
TEST_F(LiveWindowTest, TheReadingBecomesTheReferenceAtTheAcknowledgedWavelength) {
    QTest::keyClick(&dlg, Qt::Key_F5);
    LiveWindow* live = dlg.LiveMonitorWindow();
    ASSERT_TRUE(live);
    // No wavelength acknowledged yet: nothing to take a loss reference for.
    Press(live, "Use as reference for λ");
    EXPECT_FALSE(dlg.Certification().Settings().ReferenceAt(1550));
    OpenAt1550();
    Press(live, "Start");
    ASSERT_TRUE(WaitForReadings(*live, 3));
    Press(live, "Use as reference for 1550 nm");
    const double dBm = live->Monitor().Statistics().Current()->dBm;
    const LossReference* reference = dlg.Certification().Settings().ReferenceAt(1550);
    ASSERT_TRUE(reference);
    EXPECT_DOUBLE_EQ(reference->dBm, dBm);
    EXPECT_LT(reference->taken.secsTo(QDateTime::currentDateTime()), 60);
    EXPECT_TRUE(
        Labels(live).contains(QString::asprintf("Reference for 1550 nm set to %.2f dBm.", dBm)));
    // The cords mated next: the reading's loss against that reference is the pair's.
    Press(live, "Verify cords at 1550 nm");
    const double mated = live->Monitor().Statistics().Current()->dBm;
    const CordVerification* cords = VerificationInForce(dlg.Certification().Settings(), 1550);
    ASSERT_TRUE(cords);
    EXPECT_DOUBLE_EQ(cords->lossDb, dBm - mated);
    EXPECT_TRUE(
        Labels(live).contains(QStringLiteral("Cords at 1550 nm: %1 dB, %2.")
                                  .arg(DbText(cords->lossDb), cords->pass ? "PASS" : "FAIL")));
    EXPECT_EQ(dlg.ControlAs<QLineEdit>(idc::kPower)->text(),
              QString::asprintf("%.2f", live->Monitor().Samples().back().dBm));
}

TEST_F(LiveWindowTest, RelativeUnitHoldAndRecordWithoutABox) {
    LiveWindow& live = OpenAt1550();
    const std::size_t boxesBefore = boxes.shown.size(); // the connect's and the choice's replies
    Press(&live, "Start");
    ASSERT_TRUE(WaitForReadings(live, 3));
    Press(&live, "Set reference");
    ClickEntry(live.findChildren<QComboBox*>().at(2), 4); // dB (relative)
    EXPECT_TRUE(Labels(&live).contains(QRegularExpression("\\|-?0\\.[01]\\d dB\\|")))
        << Labels(&live).toStdString();
    EXPECT_GT(live.Chart().PointCount(), 0);

    Press(&live, "Hold");
    const QString held = Labels(&live);
    ASSERT_TRUE(WaitForReadings(live, 3));
    EXPECT_EQ(Labels(&live), held) << "what is shown stays while readings go on";

    live.SetPathAsker([](const QString& proposed) { return proposed; });
    Press(&live, "Record...");
    EXPECT_TRUE(
        Labels(&live).contains("Reading the meter.  Recording to " + folder.path() + "/Live "));
    ASSERT_TRUE(WaitForReadings(live, 3));
    Press(&live, "Stop recording");
    Press(&live, "Pause");
    EXPECT_FALSE(live.Monitor().Running());
    // The log's lines are the session's tests; here only that Record made it.
    EXPECT_EQ(QDir(folder.path()).entryList({"Live *.csv"}).size(), 1);
    EXPECT_EQ(boxes.shown.size(), boxesBefore) << "readings never raise a box";
}

} // namespace
} // namespace vemla
