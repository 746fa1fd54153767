// What the live power window adds, through the operator's clicks and keys against the simulated
// meter: the menu entry and F5, Start/Pause, the loss reference, the relative unit, Hold and
// Record; meters added by port, each with its row and trace. Polling, statistics and the log's
// lines are the session's tests (tests/session/LiveMonitorTest.cpp).
#include "LiveWindow.h"
#include "LiveChart.h"
#include "LiveMeterTable.h"
#include "MeterSimulator.h"
#include "WindowTest.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <set>

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

// Two more simulated meters listed beside the main window's, and the live window open.
class LiveMetersTest : public LiveWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(second.Start() && third.Start());
        LiveWindowTest::SetUp();
        dlg.Ports().AddVirtual(second.DevicePath(), "second meter");
        dlg.Ports().AddVirtual(third.DevicePath(), "third meter");
        live = &OpenAt1550();
        // The main window's watch lists them within its poll.
        ASSERT_TRUE(WaitUntil([&] { return live->Meters().FreePorts().size() == 2; }));
        table = live->findChild<LiveMeterTable*>();
    }
    // "Add meter...", then the first free port in the menu that opens.
    void AddMeter() {
        const int before = live->Meters().Count();
        Press(live, "Add meter...");
        auto* menu = live->findChild<QMenu*>();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[0]).center());
        ASSERT_EQ(live->Meters().Count(), before + 1);
        ASSERT_TRUE(WaitUntil([&] { return !menu->isVisible(); }));
    }
    QString Cell(int row, int column) const { return table->item(row, column)->text(); }
    QWidget* CellWidget(int row, int column) const { return table->cellWidget(row, column); }
    std::size_t Samples(int row) const { return live->Meters().At(row).monitor->Samples().size(); }
    bool EachGetsMore(std::size_t more) {
        std::vector<std::size_t> counts;
        for (int row = 0; row < live->Meters().Count(); ++row)
            counts.push_back(Samples(row) + more);
        return WaitUntil([&] {
            for (int row = 0; row < live->Meters().Count(); ++row)
                if (Samples(row) < counts[static_cast<std::size_t>(row)])
                    return false;
            return true;
        });
    }
    // Legend text -> colour, as the chart shows them.
    std::map<QString, QColor> Traces() const {
        std::map<QString, QColor> traces;
        for (QLegendMarker* marker : live->Chart().chart()->legend()->markers())
            traces[marker->label()] = static_cast<QLineSeries*>(marker->series())->color();
        return traces;
    }

    MeterSimulator second{SimOptions{}};
    MeterSimulator third{SimOptions{}};
    LiveWindow* live = nullptr;
    LiveMeterTable* table = nullptr;
};

TEST_F(LiveMetersTest, AddedMetersFillTheirRowsAndKeepTheirColoursAfterARemoval) {
    constexpr int64_t kNow = 1'700'000'000'000; // one clock for every meter, those added later too
    live->SetClock([] { return kNow; });
    AddMeter();
    AddMeter();
    ASSERT_TRUE(WaitUntil([&] {
        return CellWidget(2, LiveMeterTable::kWave) &&
               static_cast<QComboBox*>(CellWidget(2, LiveMeterTable::kWave))->count() == 2;
    }));
    ClickEntry(static_cast<QComboBox*>(CellWidget(2, LiveMeterTable::kWave)), 0);
    ASSERT_TRUE(
        WaitUntil([&] { return live->Meters().At(2).session->SelectedWavelength() == 1310; }));
    Press(live, "Start");
    ASSERT_TRUE(EachGetsMore(3));
    live->Refresh();
    const QRegularExpression reading("^-\\d+\\.\\d\\d dBm$");
    const QStringList ports{"COM1 (simulated meter)", "COM2 (second meter)", "COM3 (third meter)"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(row, LiveMeterTable::kPort), ports[row]);
        for (int column : {LiveMeterTable::kCurrent, LiveMeterTable::kMinimum,
                           LiveMeterTable::kMaximum, LiveMeterTable::kMean})
            EXPECT_TRUE(reading.match(Cell(row, column)).hasMatch())
                << Cell(row, column).toStdString();
        EXPECT_EQ(Cell(row, LiveMeterTable::kState), "Reading the meter.");
        EXPECT_EQ(live->Meters().At(row).monitor->Samples().back().msecs, kNow);
    }
    EXPECT_EQ(Cell(0, LiveMeterTable::kWave), "1550 nm");
    // Record logs every meter into the one file, a row per reading with its port.
    live->SetPathAsker([](const QString& proposed) { return proposed; });
    Press(live, "Record...");
    ASSERT_TRUE(EachGetsMore(2));
    Press(live, "Stop recording");
    const QStringList logs = QDir(folder.path()).entryList({"Live *.csv"});
    ASSERT_EQ(logs.size(), 1);
    QFile log(QDir(folder.path()).filePath(logs[0]));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    std::set<QString> logged;
    for (const QByteArray& line : log.readAll().split('\n').mid(1))
        if (!line.isEmpty())
            logged.insert(QString::fromUtf8(line).section(',', 6, 6));
    EXPECT_EQ(logged.size(), 3u);
    const std::map<QString, QColor> traces = Traces();
    ASSERT_EQ(traces.size(), 3u);
    const QColor first = traces.at("COM1 (simulated meter) 1550 nm");
    const QColor middle = traces.at("COM2 (second meter)");
    const QColor last = traces.at("COM3 (third meter) 1310 nm");
    EXPECT_TRUE(first != middle && middle != last && first != last);

    QTest::mouseClick(CellWidget(1, LiveMeterTable::kRemove), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return live->Meters().Count() == 2; }));
    live->Refresh();
    EXPECT_EQ(Cell(1, LiveMeterTable::kPort), "COM3 (third meter)");
    EXPECT_EQ(Traces(), (std::map<QString, QColor>{{"COM1 (simulated meter) 1550 nm", first},
                                                   {"COM3 (third meter) 1310 nm", last}}));
    EXPECT_EQ(CellWidget(0, LiveMeterTable::kRemove), nullptr) << "the main window's meter stays";
    // The port is free again, and the meter added there takes the colour no meter has now.
    AddMeter();
    live->Refresh();
    EXPECT_EQ(Traces().at("COM2 (second meter)"), middle);
}

// Only the silent meter's row says so; the others, and the status line of the first, go on.
TEST_F(LiveMetersTest, ASilentMeterShowsNoReplyInItsOwnRowAndRecovers) {
    AddMeter();
    AddMeter();
    KeyToEntry(live->findChildren<QComboBox*>().at(0), 0); // 0.2 s for all
    Press(live, "Start");
    ASSERT_TRUE(EachGetsMore(2));
    second.SetPowerSilent(true);
    const auto state = [&](int row) { return Cell(row, LiveMeterTable::kState); };
    ASSERT_TRUE(WaitUntil([&] { return state(1) == "no reply from the meter"; }, 10s));
    const std::size_t firstCount = Samples(0), thirdCount = Samples(2);
    ASSERT_TRUE(
        WaitUntil([&] { return Samples(0) > firstCount + 3 && Samples(2) > thirdCount + 3; }));
    EXPECT_EQ(state(0), "Reading the meter.");
    EXPECT_EQ(state(2), "Reading the meter.");
    EXPECT_FALSE(Labels(live).contains("no reply")) << Labels(live).toStdString();
    EXPECT_GE(Cell(1, LiveMeterTable::kMissed).toInt(), LiveMonitor::kMissedForNoReply);

    second.SetPowerSilent(false);
    ASSERT_TRUE(WaitUntil([&] { return state(1) == "Reading the meter."; }, 5s));
    ASSERT_TRUE(EachGetsMore(2));
}

// Every meter polled at 0.2 s; the main window's commands reach its meter exactly as sent, and
// the added meters get nothing but their polls after the connect that asks their wavelengths.
TEST_F(LiveMetersTest, FirstMetersCommandsArriveExactlyAmidEveryMetersPolls) {
    AddMeter();
    AddMeter();
    KeyToEntry(live->findChildren<QComboBox*>().at(0), 0);
    Press(live, "Start");
    ASSERT_TRUE(EachGetsMore(2));
    const std::size_t sent = meter.ReceivedFrames().size();
    const std::vector<std::function<void()>> commands{
        [&] { QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton); },
        [&] { ClickEntry(dlg.ControlAs<QComboBox>(idc::kWaveSelect), 0); },
        [&] { QTest::mouseClick(dlg.Control(idc::kUpload), Qt::LeftButton); }};
    for (const auto& command : commands) {
        const std::size_t shown = boxes.shown.size();
        command();
        ASSERT_TRUE(WaitUntil(
            [&] { return boxes.shown.size() > shown && !dlg.Session().CommandOutstanding(); }));
        ASSERT_TRUE(EachGetsMore(1));
    }
    const std::vector<uint8_t> poll = Of(BuildFixedFrame(kReadPowerHex));
    const auto commandsOf = [&](const MeterSimulator& sim, std::size_t from) {
        std::vector<std::vector<uint8_t>> frames = sim.ReceivedFrames();
        frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(from));
        std::erase(frames, poll);
        return frames;
    };
    EXPECT_EQ(commandsOf(meter, sent),
              (std::vector<Bytes>{Of(BuildFixedFrame(kConnectHex)), Of(BuildSelectWave(0)),
                                  Of(BuildFixedFrame(kUploadHex))}));
    for (const MeterSimulator* added : {&second, &third})
        EXPECT_EQ(commandsOf(*added, 0), std::vector<Bytes>{Of(BuildFixedFrame(kConnectHex))});
}

} // namespace
} // namespace vemla
