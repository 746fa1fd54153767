// The live monitor without a window, end to end: the session and the real engine on a
// pseudo-terminal, the simulated meter on the other side. Polling's rules (waiting for the
// operator's commands, missed replies), statistics, validity, the log and the chart's
// reduction. The window's tests check only what the window adds.
#include "LiveMonitor.h"
#include "MeterSession.h"
#include "PowerDecimator.h"

#include "PtyPair.h"
#include "RecordFrame.h"
#include "SimulatedMeterTest.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace vemla {
namespace {

using test::Bytes;
using test::Of;
using namespace std::chrono_literals;
using Status = LiveMonitor::Status;

class LiveMonitorTest : public test::SimulatedMeterTest {
protected:
    void StartPolling(SimOptions options) {
        Start(options);
        ASSERT_FALSE(HasFatalFailure());
        monitor = std::make_unique<LiveMonitor>(*session);
        monitor->SetInterval(200);
        monitor->Start();
    }
    bool WaitForSamples(std::size_t more) {
        const std::size_t count = monitor->Samples().size() + more;
        return test::WaitUntil([&] { return monitor->Samples().size() >= count; }, 20s);
    }
    bool WaitFor(const std::function<bool()>& pred) { return test::WaitUntil(pred, 30s); }

    std::unique_ptr<LiveMonitor> monitor;
};

// Every command's frame reaches the meter as sent, every reply is handled as without the
// monitor, no upload loses a record. The long run: VEMLA_LIVE_SOAK_COMMANDS=50
// VEMLA_LIVE_SOAK_SECONDS=600 (paced at 9600 baud).
TEST_F(LiveMonitorTest, OperatorCommandsAmidPollsArriveExactlyAndUploadsStayWhole) {
    const int asked = qEnvironmentVariableIntValue("VEMLA_LIVE_SOAK_COMMANDS");
    const int commands = asked > 0 ? asked : 12;
    const int seconds = qEnvironmentVariableIntValue("VEMLA_LIVE_SOAK_SECONDS");
    SimOptions options;
    options.records = 500;
    options.paced = seconds > 0;
    StartPolling(options);
    std::mt19937 random(7);
    const int row = 3;
    const std::vector<std::pair<std::function<void()>, std::vector<OutFrame>>> kinds{
        {[&] { session->Connect(); }, {BuildFixedFrame(kConnectHex)}},
        {[&] { session->SelectWave(1); }, {BuildSelectWave(1)}},
        {[&] { session->Upload(); }, {BuildFixedFrame(kUploadHex)}},
        // The silent re-upload follows the acknowledgement.
        {[&] { session->DeleteSelected(row); },
         {BuildDeleteSelected(row), BuildFixedFrame(kUploadHex)}},
    };
    Bytes expected;
    int records = 500;
    for (int i = 0; i < commands; ++i) {
        test::PumpFor(static_cast<int>(random() % (seconds > 0 ? seconds * 1000 / commands : 600)));
        const std::size_t boxes = presenter.shown.size();
        const auto& [command, frames] = kinds[static_cast<std::size_t>(i) % kinds.size()];
        command();
        for (const OutFrame& f : frames)
            expected.insert(expected.end(), f.View().begin(), f.View().end());
        ASSERT_TRUE(WaitFor([&] {
            return presenter.shown.size() > boxes && !session->CommandOutstanding();
        })) << "command "
            << i;
        records -= i % 4 == 3 ? 1 : 0;
        if (i % 4 >= 2) {
            ASSERT_EQ(session->Records().Count(), records) << "command " << i;
        }
    }
    Bytes sent;
    for (const Bytes& frame : meter->ReceivedFrames())
        if (frame != Of(BuildFixedFrame(kReadPowerHex)))
            sent.insert(sent.end(), frame.begin(), frame.end());
    EXPECT_EQ(sent, expected);
    EXPECT_GT(monitor->Samples().size(), 4u);
    EXPECT_EQ(monitor->MissedPolls(), 0);
    for (const auto& box : presenter.shown)
        EXPECT_TRUE(box.text.endsWith("SUCESS!")) << box.text.toStdString();
}

// The simulated line is paced: 22 bytes a record at 9600 baud take 23 ms, unpaced well under 1.
TEST_F(LiveMonitorTest, PollsWaitForAPacedUploadAndResumeAfterIt) {
    SimOptions options;
    options.records = 60; // 1.3 kB: over a second at 9600 baud
    options.paced = true;
    StartPolling(options);
    ASSERT_TRUE(WaitForSamples(3));
    std::vector<Bytes> frames; // as the meter had them when the upload's box opened
    presenter.whileOpen = [&](const auto&) { frames = meter->ReceivedFrames(); };
    const auto start = std::chrono::steady_clock::now();
    session->Upload();
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), Of(BuildFixedFrame(kUploadHex))) << "no poll during the upload";
    EXPECT_EQ(session->Records().Count(), 60);
    EXPECT_TRUE(WaitForSamples(3)) << "polling resumes after the reply";
}

TEST_F(LiveMonitorTest, LateRepliesCountSilenceIsReportedWithoutABoxAndAWaveChangeResets) {
    SimOptions options;
    options.faults.powerLateMs = 300; // later than the next poll would be due
    StartPolling(options);
    ASSERT_TRUE(WaitForSamples(4));
    EXPECT_EQ(monitor->MissedPolls(), 0);

    meter->SetPowerSilent(true);
    ASSERT_TRUE(WaitFor([&] { return monitor->CurrentStatus() == Status::NoReply; }));
    EXPECT_EQ(monitor->MissedInRow(), LiveMonitor::kMissedForNoReply);
    const std::size_t frames = meter->ReceivedFrames().size();
    test::PumpFor(LiveMonitor::kReplyWaitMs + 300);
    EXPECT_GT(meter->ReceivedFrames().size(), frames) << "polling goes on";
    meter->SetPowerSilent(false);
    ASSERT_TRUE(WaitFor([&] { return monitor->CurrentStatus() == Status::Polling; }));
    EXPECT_TRUE(presenter.shown.empty());

    session->Connect(); // the wavelengths become known
    ASSERT_TRUE(WaitForBox(1));
    const double before = monitor->Statistics().Mean();
    session->SelectWave(1);
    ASSERT_TRUE(WaitForBox(2));
    EXPECT_EQ(session->SelectedWavelength(), 1550);
    EXPECT_LE(monitor->Statistics().Count(), 1);
    ASSERT_TRUE(WaitForSamples(3));
    // The simulated source reads 0.35 dB lower at its second wavelength.
    EXPECT_NEAR(monitor->Statistics().Mean(), before - 0.35, 0.1);
}

TEST(LiveStatistics, ImplausibleReadingsAreCountedButNeverAveraged) {
    LiveStatistics s;
    const float readings[] = {-10.0f, NAN, -12.0f, INFINITY, -100.5f, 40.5f, -14.0f};
    for (int i = 0; i < 7; ++i)
        s.Add({1000 * i, readings[i], IsPlausiblePower(readings[i])});
    EXPECT_EQ(std::tuple(s.Count(), s.Invalid(), s.Minimum(), s.Maximum(), s.SpanMsecs()),
              std::tuple(3, 4, -14.0, -10.0, 6000));
    EXPECT_DOUBLE_EQ(s.Mean(), -12.0);
    EXPECT_DOUBLE_EQ(s.Deviation(), 2.0);
}

// Which file the log takes or moves on to, and when, is tests/io's (RotatingFile).
TEST(LiveLog, OneFlushedLinePerReadingTaggedWithItsMeter) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/Live.csv");
    LiveLog log;
    ASSERT_TRUE(log.Open(path)) << log.ErrorText().toStdString();
    const int64_t at = 1'700'000'000'123;
    ASSERT_TRUE(log.Write({at, -10.0f, true}, {"COM3 (/dev/ttyUSB0)", "A10K7"}, 1310, {}));
    ASSERT_TRUE(log.Write({at + 200, NAN, false}, 0, -9.0));
    ASSERT_TRUE(log.Write({at + 400, -30.0f, true}, {"/dev/a,\"b\"", ""}, 1550, -9.0));
    QFile file(path); // read while still open: each line is on disk already
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "time,unix_time,dBm,mW,wavelength_nm,relative_dB,port,serial");
    EXPECT_TRUE(lines[1].startsWith(
        QDateTime::fromMSecsSinceEpoch(at).toString(Qt::ISODateWithMs).toUtf8()));
    EXPECT_TRUE(lines[1].endsWith(",1700000000.123,-10.00,0.1,1310,,COM3 (/dev/ttyUSB0),A10K7"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(",1700000000.323,,,,,,")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(",-30.00,0.001,1550,-21.00,\"/dev/a,\"\"b\"\"\","))
        << lines[3].toStdString();
}

TEST(PowerDecimator, AnHourAtFiveReadingsASecondKeepsEveryColumnsExtremes) {
    std::deque<LiveSample> samples;
    for (int i = 0; i < 18000; ++i)
        samples.push_back({200LL * i, static_cast<float>(-10.0 + std::sin(i * 0.01)), true});
    samples[9000].dBm = -40.0f; // one deep dip must survive the reduction
    samples[9001].valid = false;
    const auto points =
        PowerDecimator::Reduce(samples, 0, 200LL * 17999, 600, [](double dBm) { return dBm; });
    EXPECT_LE(points.size(), 1200);
    const auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                                 [](auto a, auto b) { return a.y() < b.y(); });
    EXPECT_EQ(low->y(), -40.0);
    EXPECT_NEAR(high->y(), -9.0, 1e-3);
    EXPECT_TRUE(
        std::is_sorted(points.begin(), points.end(), [](auto a, auto b) { return a.x() < b.x(); }));
}

} // namespace
} // namespace vemla
