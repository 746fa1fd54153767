// The CSV's bytes: byte-order mark, captions in the language, the shown texts quoted as
// RFC 4180 wants, and the machine columns. The certification columns are OutputsAgreeTest's;
// which rows the window hands over and how a failure is told are tests/app's.
#include "CsvExport.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

struct CsvRow {
    RecordValues values;
    std::array<QString, kTableColumns> texts;
    QByteArray line;
};

const std::vector<CsvRow> kRows{
    {{0, 1550, -10.0f, -20.5f, true, {13, 10, 9, 15, 7}},
     {"1", "1550", "-10.00dBm", "10.50dB", "-20.50dBm", "2013-10-09  15:07  ", "splice, east"},
     "1,1550,-10.00dBm,10.50dB,-20.50dBm,2013-10-09  15:07  ,\"splice, east\","
     "1550,-10.00,-20.50,10.50,2013-10-09T15:07"},
    {{1, 1310, -3.5f, -7.0f, false, {26, 12, 7, 0, 0}},
     {"2", "1310", "-3.50dBm", "", "", "2026-12-07  00:00  ", "say \"hi\"\r\nthen\nend"},
     "2,1310,-3.50dBm,,,2026-12-07  00:00  ,\"say \"\"hi\"\"\r\nthen\nend\",1310,-3.50,,,"
     "2026-12-07T00:00"},
    // Not a moment: 30 February, then hour 24.
    {{2, 850, 1.25f, 0.0f, true, {24, 2, 30, 10, 0}},
     {"x3", "850", "1.25dBm", "1.25dB", "0.00dBm", "2024-02-30  10:00  ", "东侧"},
     "x3,850,1.25dBm,1.25dB,0.00dBm,2024-02-30  10:00  ,东侧,850,1.25,0.00,1.25,"},
    {{3, 1625, -50.0f, -60.0f, false, {26, 1, 1, 24, 0}},
     // A number cell the operator emptied still takes its column.
     {"", "1625", "-50.00dBm", "", "", "2026-01-01  24:00  ", ""},
     ",1625,-50.00dBm,,,2026-01-01  24:00  ,,1625,-50.00,,,"},
};

TEST(CsvExportTest, BomCaptionsInTheLanguageShownTextsQuotedAndMachineColumns) {
    std::vector<MeterRecord> records;
    for (const CsvRow& row : kRows)
        records.push_back({row.values, {}, row.texts});
    const QByteArray machine = "wavelength_nm,power_dBm,reference_dBm,relative_dB,date_time\r\n";
    const std::vector<std::pair<Language, QByteArray>> captions{
        {Language::Chinese, "序号,波长,功率值,相对功率值,参考值,日期/时间,备注,"},
        {Language::English, "NUMBER,WAVE LENGTH,POWER,RELATIVE POWER,REF,DATA/TIME,NOTE,"}};
    for (const auto& [language, caption] : captions) {
        QByteArray expected = "\xEF\xBB\xBF" + caption + machine;
        for (const CsvRow& row : kRows)
            expected += row.line + "\r\n";
        UploadDocument document;
        document.language = language;
        document.rows = records;
        EXPECT_EQ(CsvBytes(document).toStdString(), expected.toStdString());
    }
}

} // namespace
} // namespace vemla
