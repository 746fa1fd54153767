#include "Report.h"
#include "XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace vemla {
namespace {

using test::XlsxReader;
using test::XlsxStyle;
using Table = std::vector<std::array<QString, 7>>;

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 3, 22));
const QString kName = QStringLiteral("Test Report 2026-12-07 14-03-22.xlsx");
const QString kTurquoise = QStringLiteral("FFCCFFFF"), kGreen = QStringLiteral("FF008000");

QString Ref(char column, int row) {
    return QStringLiteral("%1%2").arg(QChar(column)).arg(row);
}

// Column 0 holds what the operator may have typed over the number; it must not show.
Table Rows(int n) {
    Table t;
    for (int i = 0; i < n; ++i)
        t.push_back({QStringLiteral("x%1").arg(i), QStringLiteral("1310"),
                     QString::number(-3.25 - i, 'f', 2), QStringLiteral("0.00"),
                     QStringLiteral("-3.25"), QStringLiteral("2026-12-07 14:03:22"),
                     i == 0 ? QStringLiteral(" edited <&> note ") : QString()});
    return t;
}

struct FakeOpener final : IReportOpener {
    bool succeed = true;
    QStringList opened;
    bool Open(const QString& path) override {
        opened << path;
        return succeed;
    }
};

// Leaves a partial file behind and fails, as a writer dying midway would.
struct BrokenWriter final : IReportWriter {
    bool Write(const ReportData&, const QString& path, QString*) override {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("PK\3\4half") && false;
    }
};

class ReportTest : public ::testing::Test {
protected:
    ExportResult Export(int counter, const Table& table, Language language = Language::English,
                        QString folder = {}, IReportWriter* writer = nullptr) {
        ExportRequest q{counter,
                        int(table.size()),
                        [&table](int r, int c) { return table.at(size_t(r))[size_t(c)]; },
                        m_header,
                        language,
                        folder.isEmpty() ? m_dir.path() : folder,
                        kNow};
        return ExportReport(q, writer ? *writer : m_writer, m_opener);
    }
    QStringList Files(const QString& folder = {}) const {
        return QDir(folder.isEmpty() ? m_dir.path() : folder)
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QTemporaryDir m_dir;
    XlsxReportWriter m_writer;
    FakeOpener m_opener;
    ReportHeader m_header{"Acme", "OPM-1", "0042", "Li Wei", "fibre 3"};
};

TEST_F(ReportTest, ThreeRowsFillSheetRowsSevenToNineWithNumberAndTexts) {
    const Table table = Rows(3);
    const ExportResult result = Export(3, table);
    ASSERT_EQ(result.outcome, ExportOutcome::Opened);
    EXPECT_EQ(result.path, QDir(m_dir.path()).filePath(kName));
    EXPECT_EQ(m_opener.opened, QStringList{result.path});
    XlsxReader x(result.path);
    ASSERT_TRUE(x.wellFormed);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(x.Cell(Ref('A', 7 + i)).IsNumber());
        EXPECT_EQ(x.Cell(Ref('A', 7 + i)).value, QString::number(i + 1));
        for (int c = 1; c < 7; ++c) {
            const auto cell = x.Cell(Ref(char('A' + c), 7 + i));
            EXPECT_EQ(cell.value, table[size_t(i)][size_t(c)]) << i << c;
            EXPECT_TRUE(cell.IsText() || table[size_t(i)][size_t(c)].isEmpty()) << i << c;
        }
    }
    EXPECT_FALSE(x.Has("A5") || x.Has("B5") || x.Has("G5") || x.Has("F10") || x.Has("A1011"));
    const XlsxStyle centred{"center", "center", false, ""};
    for (int row : {7, 10, 500, 1010}) {
        for (char c = 'A'; c <= 'E'; ++c) {
            EXPECT_EQ(x.Style(Ref(c, row)), centred) << c << row;
            EXPECT_TRUE(row < 10 || x.Cell(Ref(c, row)).value.isEmpty()) << c << row;
        }
    }
    EXPECT_EQ(x.Style("F7"), XlsxStyle{});
    EXPECT_EQ(x.Style("G7"), XlsxStyle{});
    EXPECT_EQ(Files(), QStringList{kName}); // no temporary left over
}

TEST_F(ReportTest, HeaderBlockHasItsMergesWidthsWrapAlignmentsAndFills) {
    m_header = {};
    XlsxReader x(Export(1, Rows(1)).path);
    x.merges.sort();
    EXPECT_EQ(x.merges, QStringList({"A1:E1", "A2:B2", "A3:B3", "A4:B4"}));
    const double chars[] = {13, 18, 13, 13, 13, 20, 13};
    for (int c = 1; c <= 7; ++c) // the file stores the width with the standard font's padding
        EXPECT_DOUBLE_EQ(x.widths.value(c), std::floor((chars[c - 1] * 7 + 5) / 7 * 256) / 256);
    const struct {
        const char* cells;
        XlsxStyle style;
    } kTable[] = {
        {"A1 B1 C1 D1 E1", {"center", "center", true, ""}},
        {"A2 B2 A3 B3 A4 B4 D2 D3", {"right", "center", true, ""}},
        {"C2 C3 C4 E2 E3", {"left", "center", true, kTurquoise}},
        {"D4 E4", {"", "", true, ""}},
        {"A6 B6 C6 D6 E6", {"center", "center", false, kGreen}},
        {"F6 G6", {"", "", false, kGreen}},
    };
    for (const auto& t : kTable)
        for (const QString& ref : QString::fromUtf8(t.cells).split(' '))
            EXPECT_EQ(x.Style(ref), t.style) << ref.toStdString();
    for (const char* empty : {"C2", "C3", "C4", "E2", "E3", "D4", "E4", "B1", "B2"})
        EXPECT_TRUE(x.Cell(empty).value.isEmpty()) << empty;
}

TEST_F(ReportTest, LabelsHeadersFieldsAndFileNameAreOfTheLanguage) {
    const struct {
        Language language;
        QStringList texts; // A1 A2 A3 A4 D2 D3, then A6..G6
        QString fileName;
    } kCases[] = {
        {Language::English,
         {"Test Report", "Company:", "Instrument Model:", "Instrument Serial Number:",
          "Test Operator:", "Notes:", "NUMBER", "WAVE LENGTH", "POWER", "Relative POWER", "REF",
          "DATA/TIME", "NOTE"},
         kName},
        {Language::Chinese,
         {"测试报告", "公司名称:", "仪表型号:", "仪表序列号:", "测试操作人:", "备注:", "序号",
          "波长", "功率值", "相对功率值", "参考值", "日期/时间", "备注"},
         "测试报告 2026-12-07 14-03-22.xlsx"},
    };
    m_header = {"公司", "OPM-1", "0042", "李伟", "注 1"};
    const QStringList refs{"A1", "A2", "A3", "A4", "D2", "D3", "A6", "B6", "C6",
                           "D6", "E6", "F6", "G6", "C2", "C3", "C4", "E2", "E3"};
    for (const auto& c : kCases) {
        const ExportResult result = Export(1, Rows(1), c.language);
        EXPECT_EQ(QFileInfo(result.path).fileName(), c.fileName);
        XlsxReader x(result.path);
        const QStringList want = c.texts + QStringList{"公司", "OPM-1", "0042", "李伟", "注 1"};
        for (int i = 0; i < refs.size(); ++i) {
            EXPECT_TRUE(x.Cell(refs[i]).IsText()) << refs[i].toStdString();
            EXPECT_EQ(x.Cell(refs[i]).value, want[i]) << refs[i].toStdString();
        }
    }
}

TEST_F(ReportTest, DataPastRow1010KeepsTheDefaultAlignment) {
    XlsxReader x(Export(1006, Rows(1006)).path);
    EXPECT_EQ(x.Cell("A1010").value, "1004");
    EXPECT_EQ(x.Style("E1010").horizontal, "center");
    EXPECT_EQ(x.Cell("A1012").value, "1006");
    EXPECT_EQ(x.Style("A1012"), XlsxStyle{});
    EXPECT_EQ(x.Style("E1011"), XlsxStyle{});
}

TEST_F(ReportTest, NoRowsToExportIsNoDataAndCreatesNothing) {
    const QString folder = m_dir.filePath("never");
    // {counter, table rows}: a counter left over after delete-all must not list ghost rows.
    for (const auto& [counter, rows] : {std::pair{0, 3}, {5, 0}, {-1, 2}, {0, 0}}) {
        const ExportResult r = Export(counter, Rows(rows), Language::English, folder);
        EXPECT_EQ(r.outcome, ExportOutcome::NoData) << counter << " " << rows;
        EXPECT_TRUE(r.path.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(m_opener.opened.isEmpty());
}

TEST_F(ReportTest, ExportsTheSmallerOfCounterAndTableRows) {
    for (const auto& [counter, rows, exported] : {std::tuple{2, 5, 2}, {5, 2, 2}, {4, 4, 4}}) {
        XlsxReader x(Export(counter, Rows(rows)).path);
        EXPECT_EQ(x.Cell(Ref('A', 6 + exported)).value, QString::number(exported));
        EXPECT_TRUE(x.Cell(Ref('A', 7 + exported)).value.isEmpty()) << counter << rows;
        EXPECT_FALSE(x.Has(Ref('F', 7 + exported)));
    }
}

TEST_F(ReportTest, RepeatedExportsNeverOverwriteAFile) {
    QFile old(QDir(m_dir.path()).filePath(kName));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("keep") == 4);
    old.close();
    EXPECT_EQ(QFileInfo(Export(1, Rows(1)).path).fileName(),
              "Test Report 2026-12-07 14-03-22 (2).xlsx");
    EXPECT_EQ(QFileInfo(Export(2, Rows(2)).path).fileName(),
              "Test Report 2026-12-07 14-03-22 (3).xlsx");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "keep");
    EXPECT_EQ(Files().size(), 3);
    EXPECT_EQ(m_opener.opened.size(), 2);
}

TEST_F(ReportTest, MissingFolderIsCreated) {
    const QString folder = m_dir.filePath("Documents/Vemla");
    const ExportResult r = Export(1, Rows(1), Language::English, folder);
    EXPECT_EQ(r.outcome, ExportOutcome::Opened);
    EXPECT_EQ(Files(folder), QStringList{kName});
}

TEST_F(ReportTest, UnwritableFolderOrFailingWriterLeavesNothingBehind) {
    QFile blocker(m_dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // Root may write anywhere, so the folder is made impossible rather than read-only.
    EXPECT_EQ(Export(1, Rows(1), Language::English, blocker.fileName() + "/Vemla").outcome,
              ExportOutcome::CannotCreate);
    BrokenWriter broken;
    const QString folder = m_dir.filePath("out");
    EXPECT_EQ(Export(1, Rows(1), Language::English, folder, &broken).outcome,
              ExportOutcome::CannotCreate);
    Table tooLong = Rows(2); // more than a cell can hold, found by the library midway
    tooLong[1][6] = QString(40000, QChar('n'));
    EXPECT_EQ(Export(2, tooLong, Language::English, folder).outcome, ExportOutcome::CannotCreate);
    EXPECT_TRUE(Files(folder).isEmpty());
    EXPECT_TRUE(m_opener.opened.isEmpty());
}

TEST_F(ReportTest, UnopenedReportIsASuccessThatTellsWhereTheFileIs) {
    m_opener.succeed = false;
    const ExportResult r = Export(1, Rows(1));
    EXPECT_EQ(r.outcome, ExportOutcome::WrittenNotOpened);
    EXPECT_TRUE(QFileInfo::exists(r.path));
    const QString english = ExportMessage(r, Language::English);
    const QString chinese = ExportMessage(r, Language::Chinese);
    EXPECT_TRUE(english.contains(r.path));
    EXPECT_TRUE(chinese.contains(r.path));
    EXPECT_NE(english, chinese);
}

TEST(ReportMessage, EachOutcomeHasItsTextInBothLanguages) {
    const struct {
        ExportOutcome outcome;
        const char* english;
        const char* chinese;
    } kTable[] = {
        {ExportOutcome::NoData, "NO DATA!", "无数据!"},
        {ExportOutcome::CannotCreate, "CANN'T CREAT Excel APPLATION!", "无法创建Excel应用!"},
        {ExportOutcome::Opened, "", ""}};
    for (const auto& t : kTable) {
        EXPECT_EQ(ExportMessage({t.outcome, {}}, Language::English), QString::fromUtf8(t.english));
        EXPECT_EQ(ExportMessage({t.outcome, {}}, Language::Chinese), QString::fromUtf8(t.chinese));
    }
}

TEST(ReportFolder, IsVemlaInTheXdgDocumentsFolder) {
    QTemporaryDir home;
    QDir(home.path()).mkpath(".config");
    QFile dirs(home.filePath(".config/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly) &&
                dirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n"));
    dirs.close();
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    const QString folder = DefaultReportFolder();
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldConfig);
    EXPECT_EQ(folder, home.filePath("Papers/Vemla"));
}

} // namespace
} // namespace vemla
