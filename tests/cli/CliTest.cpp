#include "CliFixture.h"

#include "FrameCodec.h"
#include "MeasurementArchive.h"
#include "MeterCore.h"
#include "XlsxReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/resource.h>

namespace vemla {
namespace {

using namespace std::chrono_literals;

QString Hex(const OutFrame& f) {
    QStringList bytes;
    for (uint8_t b : f.View())
        bytes << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return bytes.join(QLatin1Char(' '));
}

class CliTest : public test::CliFixture {
protected:
    // A file size limit stands in for a full disk.
    void LimitFileSize(rlim_t bytes) {
        cli.setChildProcessModifier([bytes] {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    }
};

TEST_F(CliTest, EachCommandSendsTheWindowsFrames) {
    const QString connect = Hex(BuildFixedFrame(kConnectHex));
    const QString upload = Hex(BuildFixedFrame(kUploadHex));
    const std::pair<QStringList, QStringList> cases[] = {
        // arguments, frames sent
        {{"connect"}, {connect}},
        {{"power"}, {Hex(BuildFixedFrame(kReadPowerHex))}},
        {{"upload", "--no-archive"}, {connect, upload}},
        {{"set-time", "2024-02-29", "10:07"}, {Hex(BuildSetTime(24, 2, 29, 10, 7))}},
        {{"select-wave", "1550"}, {connect, Hex(BuildSelectWave(1))}},
        {{"calibrate", "-1.5"}, {Hex(BuildSetCalibration(-1.5f))}},
        // The window's silent upload after a delete only when asked for: nothing shows a table.
        {{"delete", "2"}, {Hex(BuildDeleteSelected(1))}},
        {{"delete", "2", "--refresh"}, {Hex(BuildDeleteSelected(1)), upload}},
        {{"delete-all", "--yes"}, {Hex(BuildDeleteAll(false))}},
        {{"--language", "zh", "delete-all", "--yes"}, {Hex(BuildDeleteAll(true))}},
    };
    for (const auto& [args, frames] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QFile::remove(Path("frames"));
        const QString port = StartMeter();
        EXPECT_EQ(Run(QStringList{"--port", port} + args), 0) << err.toStdString();
        EXPECT_EQ(Frames(), frames);
        StopMeter();
    }
}

// One row per exit code and per option rule of the command line; what the write path refuses
// (links, missing folders) is tests/io's, which rows are reported tests/document's, what the
// archive keeps of an upload whose meter went away tests/archive's.
TEST_F(CliTest, ExitCodesTellWhatHappened) {
    // Past the 1,000 characters of a header text, well within the system's 4,096 bytes.
    ASSERT_TRUE(QDir(dir.path()).mkdir("d"));
    const QString longPath = dir.filePath(QString("d/../").repeated(300) + "long.csv");
    QStringList seventeen{"power", "--jsonl"}; // with the one every row names first
    for (int k = 1; k <= 16; ++k)
        seventeen << "--port" << QString("/dev/meter%1").arg(k);
    const std::tuple<QStringList, QStringList, int, QString> cases[] = {
        // meter, cli, code, told
        {{}, {"delete", "30"}, 1, "操作失败!"},
        {{}, {"select-wave", "1490"}, 2, "offers no 1490 nm"},
        {{}, {"delete-all"}, 2, "add --yes"},
        {{}, {"connect", "--bogus"}, 2, "unknown option '--bogus'"},
        {{}, {"power", "--interval", "0"}, 2, "--interval: '0' is not"},
        {{}, {"connect", "--xlsx", "a.xlsx"}, 2, "--xlsx does not apply to 'connect'"},
        {{"--no-power-reply"}, {"power", "--timeout", "0.5"}, 4, "no reply from the meter"},
        {{}, {"upload", "--pdf", Path("a.pdf")}, 5, "a certificate needs loss limits"},
        {{}, {"upload", "--csv", Path("s.csv"), "--json", Path("./s.csv")}, 2, "for two outputs"},
        // A typed value is shown as typed, never filled into the message again.
        {{}, {"power", "--interval", "%1"}, 2, "--interval: '%1' is not a number of seconds"},
        {{}, {"upload", "--json", "--force"}, 2, "option --json needs a value"},
        {{}, seventeen, 2, "power takes at most 16 --port options"},
        {{},
         {"power", "--jsonl", "--port", "/dev/a", "--port", "/dev/a"},
         2,
         "power --jsonl: a --port is given twice"},
        // Without --jsonl one meter is read, on the last --port, as before several were taken.
        {{}, {"power", "--port", "/dev/vemla-none"}, 3, "The device is not there"},
        {{}, {"power", "--jsonl", "--count", "0"}, 2, "--count: '0' is not a whole number"},
        {{}, {"power", "--jsonl-file"}, 2, "option --jsonl-file needs a value"},
        {{}, {"power", "--jsonl", "--rotate-size", "1023"}, 2, "'1023' is not a size in bytes"},
        {{}, {"power", "--jsonl", "--rotate", "weekly"}, 2, "'weekly' is not never, hour or day"},
        // upload's --json takes its file wherever it stands; a path is not a header text.
        {{}, {"--json", Path("o.json"), "upload", "--no-archive"}, 0, ""},
        {{}, {"upload", "--no-archive", "--csv", longPath}, 0, ""},
        {{"--records", "0"}, {"upload", "--no-archive", "--csv", Path("z.csv")}, 5, "NO DATA!"},
        {{"--records", "50", "--hangup-after", "5"},
         {"upload"},
         3,
         "closed before the meter's reply was complete: the device went away"},
        // Records 6 and 8 (numbers 5 and 7) come damaged; the noise and the bogus run are none.
        {{"--records", "2000", "--noise", "--overlong", "4", "--cut-record", "5",
          "--corrupt-length", "7"},
         {"upload", "--no-archive", "--json", Path("damaged.json")},
         7,
         "2 damaged records were left out"},
    };
    for (const auto& [meter, args, code, says] : cases) {
        const QString port = StartMeter(meter);
        EXPECT_EQ(Run(QStringList{"--port", port} + args), code) << args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(says)) << err.toStdString();
        StopMeter();
    }
    EXPECT_TRUE(QFileInfo::exists(Path("o.json")));
    EXPECT_TRUE(QFileInfo::exists(Path("long.csv")));
    EXPECT_FALSE(QFileInfo::exists(Path("z.csv")));
    // Written all the same; which records are damaged and counted is tests/session's.
    EXPECT_TRUE(QFileInfo::exists(Path("damaged.json")));
}

// A missing device, an existing file, a folder that cannot take the file, a link at the name:
// each stops the run before the meter is asked anything, and nothing is written through the link.
TEST_F(CliTest, APortOrFileProblemStopsTheRunBeforeTheMeterIsAsked) {
    EXPECT_EQ(Run({"--port", Path("missing-device"), "connect"}), 3);
    EXPECT_TRUE(err.contains("The device is not there")) << err.toStdString();
    QFile(Path("taken.xlsx")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(Path("victim.csv"), Path("link.csv")));
    const std::pair<QStringList, const char*> early[] = {
        {{Path("taken.xlsx")}, "--force overwrites it"},
        {{Path("no/such/dir/a.csv")}, "cannot write"},
        {{Path("link.csv"), "--force"}, "is a symbolic link"},
    };
    for (const auto& [csv, says] : early) {
        QFile::remove(Path("frames"));
        const QString port = StartMeter();
        EXPECT_EQ(Run(QStringList{"--port", port, "upload", "--csv"} + csv), 5) << says;
        EXPECT_TRUE(err.contains(says)) << err.toStdString();
        EXPECT_EQ(Frames(), QStringList{}) << says;
        StopMeter();
    }
    EXPECT_FALSE(QFileInfo::exists(Path("victim.csv")));
}

// The archive's check, with and without an archive; an archive that cannot be written: the
// files are made, the run says what is not archived.
TEST_F(CliTest, TheArchiveCheckAndAnArchiveThatCannotBeWrittenHaveTheirExitCodes) {
    EXPECT_EQ(Run({"archive", "check"}), 6);
    EXPECT_TRUE(err.contains("There is no measurement archive at")) << err.toStdString();
    ASSERT_EQ(Run({"--simulate", "--records", "3", "upload"}), 0) << err.toStdString();
    EXPECT_EQ(Run({"archive", "check"}), 0);
    ASSERT_TRUE(QFile::remove(Path("archive.sqlite")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("archive.sqlite"));
    EXPECT_EQ(Run({"--simulate", "--records", "7", "upload", "--csv", Path("kept.csv")}), 6);
    EXPECT_TRUE(err.contains("7 records (and the changes made with them) are not archived"))
        << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(Path("kept.csv")));
}

// The live log on a full disk: the run stops with the cause, and the log ends at its last whole
// line.
TEST_F(CliTest, LiveLogOnAFullDiskFailsWithTheCauseAndKeepsOnlyWholeLines) {
    LimitFileSize(1000);
    EXPECT_EQ(Run({"--simulate", "power", "--interval", "0.2", "--count", "100", "--csv",
                   Path("live.csv")}),
              5);
    EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
    const QByteArray bytes = test::ReadFile(Path("live.csv"));
    EXPECT_GT(bytes.count('\n'), 2);
    EXPECT_TRUE(bytes.endsWith('\n')) << bytes.right(40).toStdString();
}

// A run's outputs are all or nothing: the workbook does not fit a full disk, so the CSV and JSON
// that did fit are not left either, nor any temporary.
TEST_F(CliTest, FullDiskLeavesNoOutputOfTheRun) {
    LimitFileSize(256 * 1024);
    EXPECT_EQ(Run({"--simulate", "--records", "3000", "upload", "--no-archive", "--csv",
                   Path("a.csv"), "--json", Path("a.json"), "--xlsx", Path("a.xlsx")}),
              5);
    EXPECT_TRUE(err.contains("cannot write")) << err.toStdString();
    // The settings folder is the only entry: no output, temporary file or private folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Vemla"});
    EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
}

// A folder stands at one output's name: --force replaces only a file, so that output fails
// when it is placed, and the CSV placed before it is taken back.
TEST_F(CliTest, AnOutputThatCannotBePlacedTakesTheOthersBack) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("b.json"));
    EXPECT_EQ(Run({"--simulate", "upload", "--no-archive", "--force", "--csv", Path("a.csv"),
                   "--json", Path("b.json")}),
              5);
    EXPECT_TRUE(err.contains("is not a regular file")) << err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"b.json", "Vemla"}));
}

// The files hold the meter's records, the typed header and the window's limits; each file's
// layout is tests/report's, so one cell of each is enough here.
TEST_F(CliTest, UploadFilesHoldTheMetersRecords) {
    KeepLimits({{1310, 50.0}, {1550, 50.0}}, {{1310, 0.0}, {1550, 0.0}}); // a certificate too
    const QString port = StartMeter({"--paced", "--records", "5"});
    ASSERT_EQ(Run({"--port", port, "upload", "--xlsx", Path("a.xlsx"), "--csv", Path("a.csv"),
                   "--json", Path("a.json"), "--pdf", Path("a.pdf"), "--company", "ACME"}),
              0)
        << err.toStdString();
    EXPECT_TRUE(test::ReadFile(Path("a.pdf")).startsWith("%PDF-"));
    const std::array<uint16_t, 2> waves{1310, 1550};
    const std::vector<RecordValues> stored = GenerateRecords(5, waves, 1);
    const QJsonObject doc = QJsonDocument::fromJson(test::ReadFile(Path("a.json"))).object();
    const QJsonArray records = doc["records"].toArray();
    const QList<QByteArray> csvLines = test::ReadFile(Path("a.csv")).split('\n');
    const test::XlsxReader book(Path("a.xlsx"));
    EXPECT_EQ(doc["header"].toObject()["company"].toString(), "ACME");
    EXPECT_EQ(book.Cell("C2").value, "ACME");
    EXPECT_EQ(doc["wavelengths"].toArray(), QJsonArray({1310, 1550}));
    EXPECT_EQ(book.Cell("C11").value.toStdString(), FormatRecordTexts(stored[4])[2]);
    EXPECT_EQ(csvLines.size(), 7); // the header, five records and nothing after the last end
    EXPECT_TRUE(doc["certification"].toObject()["enabled"].toBool());
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records[0].toObject()["texts"].toArray()[2].toString().toStdString(),
              FormatRecordTexts(stored[0])[2]);
}

TEST_F(CliTest, InterruptedUploadWritesNothingAndArchivesWhatCame) {
    const QString port = StartMeter({"--paced", "--records", "2000"});
    Start({"--port", port, "upload", "--xlsx", Path("a.xlsx"), "--csv", Path("a.csv")});
    std::this_thread::sleep_for(1500ms);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 130);
    EXPECT_EQ(QDir(dir.path()).entryList({"a.*", ".a.*"}, QDir::Files | QDir::Hidden),
              QStringList{});
    MeasurementArchive archive;
    ASSERT_EQ(archive.Open(Path("archive.sqlite"), Language::English).state,
              ArchiveState::ReadWrite);
    const auto jobs = archive.Jobs({}, 10);
    ASSERT_EQ(jobs.size(), 1u);
    const auto kept = archive.Load(jobs[0].id);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->interrupted);
    EXPECT_GT(kept->records.size(), 10u);
    EXPECT_LT(kept->records.size(), 2000u);
}

TEST_F(CliTest, LinksNoGuiLibrary) {
    QProcess readelf;
    readelf.start("readelf", {"-d", VEMLA_CLI});
    ASSERT_TRUE(readelf.waitForFinished());
    const QString dynamic = QString::fromUtf8(readelf.readAllStandardOutput());
    ASSERT_TRUE(dynamic.contains("libQt6Core.so"));
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6Svg", "libQt6Charts"})
        EXPECT_FALSE(dynamic.contains(gui)) << gui;
}

} // namespace
} // namespace vemla
