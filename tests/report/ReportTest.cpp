// The workbook as it is written: the cells' formats and texts in both languages, which rows go
// out, and the file rules (never overwrite, never leave a partial file). Read back by XlsxReader,
// never by our writer. What SAVE OR PRINT hands over from the window is tests/app's; a text
// over a cell's capacity is OutputsAgreeTest's.
#include "Report.h"
#include "XlsxReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using test::Part;
using test::XlsxReader;
using test::XlsxStyle;
using Table = std::vector<std::array<QString, 7>>;

const QDateTime kNow(QDate(2026, 12, 7), QTime(14, 3, 22));
const QString kName = QStringLiteral("Test Report 2026-12-07 14-03-22.xlsx");
const QString kTurquoise = QStringLiteral("FFCCFFFF"), kGreen = QStringLiteral("FF008000");

struct FakeOpener final : IReportOpener {
    bool succeed = true;
    QStringList opened;
    bool Open(const QString& path) override { return opened << path, succeed; }
};

// Writes half a file and fails, as a writer dying midway would.
struct BrokenWriter final : IDocumentWriter {
    bool Prepare(const UploadDocument&, FileCommit& file, QString* error) override {
        file.Open() && file.Write("PK\3\4half");
        *error = QStringLiteral("broken");
        return false;
    }
};

class ReportTest : public ::testing::Test {
protected:
    static QString Ref(char column, int row) { return QChar(column) + QString::number(row); }
    // Column 0 holds what the operator may have typed over the number; it must not show.
    static Table Rows(int n) {
        Table t;
        for (int i = 0; i < n; ++i)
            t.push_back({QStringLiteral("x%1").arg(i), "1310", QString::number(-3.25 - i, 'f', 2),
                         "0.00", "-3.25", "2026-12-07 14:03:22", i ? "" : " edited <&> note "});
        return t;
    }
    UploadDocument Document(const Table& table, Language language) const {
        UploadDocument document;
        document.language = language;
        document.header = m_header;
        document.taken = kNow;
        for (const auto& texts : table)
            document.rows.push_back({{}, {}, texts});
        return document;
    }
    ExportResult Export(const Table& table, Language language = Language::English,
                        QString folder = {}, IDocumentWriter* writer = nullptr) {
        const QString in = folder.isEmpty() ? m_dir.path() : folder;
        return ExportReport(Document(table, language), in, writer ? *writer : m_writer, m_opener);
    }
    QStringList Files(const QString& folder = {}) const {
        return QDir(folder.isEmpty() ? m_dir.path() : folder)
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QTemporaryDir m_dir;
    XlsxReportWriter m_writer;
    FakeOpener m_opener;
    HeaderFields m_header{"Acme", "OPM-1", "0042", "Li Wei", "fibre 3"};
};

TEST_F(ReportTest, ThreeRowsFillSheetRowsSevenToNineWithNumberAndTexts) {
    const Table table = Rows(3);
    const ExportResult result = Export(table);
    ASSERT_EQ(result.outcome, ExportOutcome::Opened);
    EXPECT_EQ(result.path, QDir(m_dir.path()).filePath(kName));
    EXPECT_EQ(m_opener.opened, QStringList{result.path});
    XlsxReader x(result.path);
    ASSERT_TRUE(x.wellFormed);
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 7; ++c) { // the number, then the texts as the table holds them
            const auto cell = x.Cell(Ref(char('A' + c), 7 + i));
            const QString want = c ? table[size_t(i)][size_t(c)] : QString::number(i + 1);
            EXPECT_EQ(cell.value, want) << i << c;
            EXPECT_TRUE(c ? cell.IsText() || want.isEmpty() : cell.IsNumber()) << i << c;
        }
    EXPECT_FALSE(x.Has("A5") || x.Has("B5") || x.Has("G5") || x.Has("F10") || x.Has("A1011"));
    const XlsxStyle centred{"center", "center", false, ""};
    for (int row : {7, 10, 500, 1010})
        for (char c = 'A'; c <= 'G'; ++c) {
            EXPECT_EQ(x.Style(Ref(c, row)), c <= 'E' ? centred : XlsxStyle{}) << c << row;
            EXPECT_TRUE(row < 10 || x.Cell(Ref(c, row)).value.isEmpty()) << c << row;
        }
    EXPECT_EQ(Files(), QStringList{kName}); // no temporary left over
}

TEST_F(ReportTest, HeaderBlockHasItsMergesWidthsWrapAlignmentsAndFills) {
    m_header = {};
    XlsxReader x(Export(Rows(1)).path);
    x.merges.sort();
    EXPECT_EQ(x.merges, QStringList({"A1:E1", "A2:B2", "A3:B3", "A4:B4"}));
    // 13, 18, 13, 13, 13, 20, 13 characters, stored with the standard font's 5 px of padding.
    EXPECT_EQ(x.widths.values(), QList<double>({13.7109375, 18.7109375, 13.7109375, 13.7109375,
                                                13.7109375, 20.7109375, 13.7109375}));
    const std::pair<const char*, XlsxStyle> kStyles[] = {
        {"A1 B1 C1 D1 E1", {"center", "center", true, ""}},
        {"A2 B2 A3 B3 A4 B4 D2 D3", {"right", "center", true, ""}},
        {"C2 C3 C4 E2 E3", {"left", "center", true, kTurquoise}},
        {"D4 E4", {"", "", true, ""}},
        {"A6 B6 C6 D6 E6", {"center", "center", false, kGreen}},
        {"F6 G6", {"", "", false, kGreen}},
    };
    for (const auto& [cells, style] : kStyles)
        for (const QString& ref : QString(cells).split(' '))
            EXPECT_EQ(x.Style(ref), style) << ref.toStdString();
}

TEST_F(ReportTest, LabelsHeadersFieldsAndFileNameAreOfTheLanguage) {
    // The file name, then A1 A2 A3 A4 D2 D3, A6..G6, and the fields C2 C3 C4 E2 E3.
    const std::pair<Language, QStringList> kCases[] = {
        {Language::English,
         {kName, "Test Report", "Company:", "Instrument Model:", "Instrument Serial Number:",
          "Test Operator:", "Notes:", "NUMBER", "WAVE LENGTH", "POWER", "Relative POWER", "REF",
          "DATA/TIME", "NOTE"}},
        {Language::Chinese,
         {"测试报告 2026-12-07 14-03-22.xlsx", "测试报告",
          "公司名称:", "仪表型号:", "仪表序列号:", "测试操作人:", "备注:", "序号", "波长", "功率值",
          "相对功率值", "参考值", "日期/时间", "备注"}},
    };
    m_header = {"公司", "OPM-1", "0042", "李伟", "注 1"};
    const QStringList refs{"A1", "A2", "A3", "A4", "D2", "D3", "A6", "B6", "C6",
                           "D6", "E6", "F6", "G6", "C2", "C3", "C4", "E2", "E3"};
    for (const auto& [language, texts] : kCases) {
        const ExportResult result = Export(Rows(1), language);
        EXPECT_EQ(QFileInfo(result.path).fileName(), texts[0]);
        XlsxReader x(result.path);
        const QStringList want =
            texts.mid(1) + QStringList{"公司", "OPM-1", "0042", "李伟", "注 1"};
        for (int i = 0; i < refs.size(); ++i) {
            EXPECT_TRUE(x.Cell(refs[i]).IsText()) << refs[i].toStdString();
            EXPECT_EQ(x.Cell(refs[i]).value, want[i]) << refs[i].toStdString();
        }
    }
}

TEST_F(ReportTest, DataPastRow1010KeepsTheDefaultAlignment) {
    XlsxReader x(Export(Rows(1006)).path);
    EXPECT_EQ(x.Cell("A1010").value + " " + x.Cell("A1012").value, "1004 1006");
    EXPECT_EQ(x.Style("E1010").horizontal, "center");
    for (const char* past : {"A1012", "E1011"})
        EXPECT_EQ(x.Style(past), XlsxStyle{}) << past;
}

// Which rows a document holds is tests/document's; here, what the export does with them.
TEST_F(ReportTest, RowsAreExportedIntoAMadeFolderAndNoRowsCreateNothing) {
    const QString made = m_dir.filePath("2"), none = m_dir.filePath("0");
    EXPECT_EQ(Export(Rows(2), Language::English, made).outcome, ExportOutcome::Opened);
    EXPECT_EQ(Files(made), QStringList{kName});
    const ExportResult r = Export({}, Language::English, none);
    EXPECT_EQ(r.outcome, ExportOutcome::NoData);
    EXPECT_TRUE(r.path.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(none));
    EXPECT_EQ(m_opener.opened.size(), 1) << "nothing opened for no rows";
}

TEST_F(ReportTest, RepeatedExportsNeverOverwriteAFile) {
    ASSERT_TRUE(test::WriteFile(m_dir.filePath(kName), "keep"));
    for (const char* n : {"(2)", "(3)"})
        EXPECT_EQ(QFileInfo(Export(Rows(1)).path).fileName(),
                  QStringLiteral("Test Report 2026-12-07 14-03-22 %1.xlsx").arg(n));
    EXPECT_EQ(Files().size(), 3);
    EXPECT_EQ(m_opener.opened.size(), 2);
}

TEST_F(ReportTest, UnwritableFolderOrFailingWriterLeavesNothingBehind) {
    ASSERT_TRUE(test::WriteFile(m_dir.filePath("file"), {}));
    // Root may write anywhere, so the folder is made impossible rather than read-only.
    EXPECT_EQ(Export(Rows(1), Language::English, m_dir.filePath("file/Vemla")).outcome,
              ExportOutcome::CannotCreate);
    BrokenWriter broken;
    const QString folder = m_dir.filePath("out");
    EXPECT_EQ(Export(Rows(1), Language::English, folder, &broken).outcome,
              ExportOutcome::CannotCreate);
    EXPECT_TRUE(Files(folder).isEmpty());
    EXPECT_TRUE(m_opener.opened.isEmpty());
}

TEST_F(ReportTest, UnopenedReportIsASuccessThatTellsWhereTheFileIs) {
    m_opener.succeed = false;
    const ExportResult r = Export(Rows(1));
    EXPECT_EQ(r.outcome, ExportOutcome::WrittenNotOpened);
    EXPECT_TRUE(QFileInfo::exists(r.path));
    const QString english = ExportMessage(r, Language::English);
    EXPECT_TRUE(english.contains(r.path) && ExportMessage(r, Language::Chinese).contains(r.path));
    EXPECT_NE(english, ExportMessage(r, Language::Chinese));
}

TEST(ReportMessage, EachOutcomeHasItsTextInBothLanguages) {
    for (auto [outcome, english, chinese] :
         {std::tuple{ExportOutcome::NoData, "NO DATA!", "无数据!"},
          {ExportOutcome::CannotCreate, "CANN'T CREAT Excel APPLATION!", "无法创建Excel应用!"},
          {ExportOutcome::Opened, "", ""}}) {
        EXPECT_EQ(ExportMessage({outcome, {}}, Language::English), english);
        EXPECT_EQ(ExportMessage({outcome, {}}, Language::Chinese), chinese);
    }
}

TEST(ReportFolder, IsVemlaInTheXdgDocumentsFolder) {
    QTemporaryDir home; // its .config is read while XDG_CONFIG_HOME is unset
    QDir(home.path()).mkpath(".config");
    ASSERT_TRUE(test::WriteFile(home.filePath(".config/user-dirs.dirs"),
                                "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n"));
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultReportFolder(), home.filePath("Papers/Vemla"));
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(ReportTest, PrintsOnePageWideWithTheColumnHeadersOnEveryPage) {
    const ExportResult result = Export(Rows(3));
    const QByteArray sheet = Part(result.path, "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains("<pageSetUpPr fitToPage=\"1\"/>")) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("fitToHeight=\"0\"")); // width 1 is the default, left out
    EXPECT_TRUE(Part(result.path, "xl/workbook.xml")
                    .contains("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">"
                              "Sheet1!$6:$6</definedName>"));
    EXPECT_FALSE(Part(result.path, "xl/workbook.xml").contains("sheetId=\"2\""));
}

// Limits at 1310 (fixed 3.00) and 1550 (budget), a reference at 1310: the second sheet's
// summary and record rows, numbers kept numbers.
TEST_F(ReportTest, CertificationSheetSummarisesAndJudgesEveryRow) {
    const std::vector<std::pair<Language, QByteArray>> names{{Language::English, "Certification"},
                                                             {Language::Chinese, "认证"}};
    for (const auto& named : names) {
        QTemporaryDir dir;
        UploadDocument q = Document(Rows(3), named.first);
        q.certification.enabled = true;
        q.certification.link.lengthKm = 2.0;
        q.certification.SetLimit({1310, WaveLimit::Kind::Fixed, 3.0, 0.0});
        q.certification.SetLimit({1550, WaveLimit::Kind::Budget, 0.0, 0.25});
        q.certification.SetReference({1310, 0.5, kNow.addSecs(-600)});
        for (int r = 0; r < 3; ++r)
            q.rows[size_t(r)].values = RecordValues{
                uint16_t(r), uint16_t(r == 2 ? 1550 : 1310), -2.0f - float(r), 0, false, {}};
        const ExportResult result = ExportReport(q, dir.path(), m_writer, m_opener);
        EXPECT_TRUE(Part(result.path, "xl/workbook.xml").contains("<sheet name=\"" + named.second));
        XlsxReader x(result.path, "xl/worksheets/sheet2.xml");
        ASSERT_TRUE(x.wellFormed);
        const QString fail = VerdictText(Verdict::Fail, named.first);
        // Summary at 1310: 2 records, 1 pass, 1 fail, worst margin 3.00 − 3.50; then overall,
        // then the records from row 26 (their cells are OutputsAgreeTest's).
        const std::vector<std::pair<QString, QString>> cells{
            {"A21", "1310"}, {"B21", "2"},  {"C21", "1"}, {"D21", "1"},
            {"F21", "-0.5"}, {"B23", fail}, {"A26", "1"}, {"C26", "2.5"}};
        for (const auto& cell : cells)
            EXPECT_EQ(x.Cell(cell.first).value, cell.second) << cell.first.toStdString();
        EXPECT_TRUE(x.Cell("C26").IsNumber());
    }
}

} // namespace
} // namespace vemla
