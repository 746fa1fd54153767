// vemla-cli power with several meters, as a burn-in rig's script runs it: vemla-meter-sim
// --meters 4 on pseudo-terminals, the JSON lines read back. Where the log moves on to a new file
// is tests/io's (RotatingFile); the CSV columns are tests/session's (LiveLog); the option rules
// are CliTest's exit-code table.
#include "CliFixture.h"

#include "MeterCore.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>
#include <csignal>

namespace vemla {
namespace {

using namespace std::chrono_literals;

// The manual's line, field by field in its order. A pseudo-terminal has no serial number and
// the meter was never told a wavelength.
const QRegularExpression kLine(
    R"re(^\{"v":1,"time":"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)","unix":(\d+\.\d{3}),)re"
    R"re("port":"([^"]+)","serial":null,"wavelength":null,"dBm":(-?\d+\.\d\d),"mW":([0-9.e-]+),)re"
    R"re("valid":true\}$)re");

struct Reading {
    QString port;
    double unix = 0, dBm = 0;
};

class CliStreamTest : public test::CliFixture {
protected:
    // Four meters, meter k reading around -10 - 2k dBm; "--port P" for each.
    QStringList StartFourMeters() {
        ports = {StartMeter({"--meters", "4"})};
        while (ports.size() < 4 && (meter.canReadLine() || meter.waitForReadyRead(5000)))
            ports << QString::fromUtf8(meter.readLine()).trimmed();
        QStringList args;
        for (const QString& port : ports)
            args << "--port" << port;
        return args;
    }
    // Every line whole and as the manual gives it, of one of our meters and at its level.
    std::vector<Reading> Parse(const QByteArray& text) {
        std::vector<Reading> readings;
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty())
                continue;
            const auto m = kLine.match(QString::fromUtf8(line));
            EXPECT_TRUE(m.hasMatch()) << line.toStdString();
            if (!m.hasMatch())
                continue;
            const Reading r{m.captured(3), m.captured(2).toDouble(), m.captured(4).toDouble()};
            EXPECT_EQ(QDateTime::fromString(m.captured(1), Qt::ISODateWithMs).toMSecsSinceEpoch(),
                      std::llround(r.unix * 1000));
            // Of the reading itself, which the dBm field rounds to 0.01 dB (0.23 %).
            EXPECT_NEAR(m.captured(5).toDouble() / std::pow(10.0, r.dBm / 10.0), 1.0, 1.2e-3);
            const auto k = ports.indexOf(r.port);
            EXPECT_GE(k, 0) << line.toStdString();
            EXPECT_NEAR(r.dBm, -10.0 - kSimLevelStep * k, 0.5) << "credited to the wrong meter";
            readings.push_back(r);
        }
        EXPECT_TRUE(text.isEmpty() || text.endsWith('\n'));
        return readings;
    }
    std::vector<Reading> Of(const std::vector<Reading>& all, const QString& port) {
        std::vector<Reading> one;
        std::copy_if(all.begin(), all.end(), std::back_inserter(one),
                     [&](const Reading& r) { return r.port == port; });
        return one;
    }

    QStringList ports;
};

// --count is each meter's; a stop signal is a normal end with the last line whole; a meter that
// never answers stops only its own lines.
TEST_F(CliStreamTest, CountIsPerMeterAStopSignalEndsCleanlyAndASilentMeterStopsOnlyItself) {
    QProcess quiet;
    quiet.start(QStringLiteral(VEMLA_SIM), {"--no-power-reply"});
    ASSERT_TRUE(quiet.waitForReadyRead(5000));
    const QString silent = QString::fromUtf8(quiet.readLine()).trimmed();
    const QStringList four = StartFourMeters();
    const std::pair<QStringList, int> cases[] = {
        // arguments beyond the four meters, the signal once they have 12 lines (0: none)
        {{"--count", "3"}, 0},
        {{"--port", silent}, SIGTERM},
        {{}, SIGINT},
    };
    for (const auto& [args, signal] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        Start(QStringList{"power", "--interval", "0.2", "--jsonl"} + four + args);
        // The silent meter is told of after three polls missed, a second each.
        QByteArray out, err;
        const auto waiting = [&] {
            return out.count('\n') < 12 ||
                   (args.contains(silent) && !err.contains("does not answer"));
        };
        while (signal != 0 && waiting() && cli.waitForReadyRead(5000)) {
            out += cli.readAllStandardOutput();
            err += cli.readAllStandardError();
        }
        if (signal != 0)
            ::kill(static_cast<pid_t>(cli.processId()), signal);
        ASSERT_TRUE(cli.waitForFinished(10000));
        EXPECT_EQ(cli.exitCode(), 0);
        const std::vector<Reading> all = Parse(out + cli.readAllStandardOutput());
        for (const QString& port : ports) {
            EXPECT_GE(Of(all, port).size(), 3u) << port.toStdString();
            EXPECT_TRUE(signal != 0 || Of(all, port).size() == 3u) << port.toStdString();
        }
        EXPECT_EQ(Of(all, silent).size(), 0u);
        err += cli.readAllStandardError();
        EXPECT_EQ(err.contains("does not answer"), args.contains(silent)) << err.toStdString();
    }
    quiet.terminate();
    quiet.waitForFinished();
}

// Four meters logged, the files moving on every second or so, until a SIGKILL: each meter read
// five times a second, no reading credited to another meter, every file of either log whole
// lines only, and no meter's readings stopping more than a second before the kill. CI runs four
// seconds of it; VEMLA_LONG_TESTS=1 ten minutes.
TEST_F(CliStreamTest, FourMetersLoggedUntilKilledEachAtFiveASecondAndAtMostASecondLost) {
    const int seconds = qEnvironmentVariableIntValue("VEMLA_LONG_TESTS") ? 600 : 4;
    Start(QStringList{"power", "--interval", "0.2", "--jsonl-file", Path("rack.jsonl"), "--csv",
                      Path("rack.csv"), "--rotate-size", "2K"} +
          StartFourMeters());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double killed = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
    ASSERT_TRUE(cli.waitForFinished(5000));
    const QDir folder(dir.path());
    const QStringList jsonl = folder.entryList({"rack*.jsonl"}, QDir::Files);
    const QStringList csv = folder.entryList({"rack*.csv"}, QDir::Files);
    EXPECT_GE(jsonl.size(), 5) << "20 lines of about 180 bytes a second in files of 2 KiB";
    EXPECT_GE(csv.size(), 2);
    std::vector<Reading> all;
    for (const QString& name : jsonl) {
        const QByteArray bytes = test::ReadFile(Path(name));
        EXPECT_LE(bytes.size(), 2048) << name.toStdString();
        const std::vector<Reading> some = Parse(bytes);
        EXPECT_TRUE(std::is_sorted(some.begin(), some.end(), [](auto& a, auto& b) {
            return a.unix < b.unix;
        })) << "one clock for every meter";
        all.insert(all.end(), some.begin(), some.end());
    }
    for (const QString& name : csv) {
        const QList<QByteArray> lines = test::ReadFile(Path(name)).split('\n');
        EXPECT_TRUE(lines.front().startsWith("time,unix_time,dBm,")) << name.toStdString();
        EXPECT_TRUE(lines.back().isEmpty()) << name.toStdString(); // ends with a whole line
        for (const QByteArray& line : lines.mid(1, lines.size() - 2))
            EXPECT_EQ(line.count(','), 7) << line.toStdString();
    }
    std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.unix < b.unix; });
    for (const QString& port : ports) {
        const std::vector<Reading> one = Of(all, port);
        ASSERT_GE(one.size(), 2u) << port.toStdString();
        EXPECT_GE((one.size() - 1) / (one.back().unix - one.front().unix), 4.9);
        EXPECT_GE(one.size(), 4.9 * (seconds - 1)) << port.toStdString();
        EXPECT_GE(one.back().unix, killed - 1.0) << port.toStdString();
    }
}

} // namespace
} // namespace vemla
