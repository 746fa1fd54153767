// Which rows an upload reports: decided here once, for every writer and both front ends. The
// writers' own tests take a document as given.
#include "UploadDocument.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

TEST(UploadDocumentTest, ReportsTheFirstMinOfCounterAndRows) {
    // {counter, table rows, reported}: a counter left over after delete-all lists no ghost rows,
    // rows the meter has not counted are not the upload.
    for (auto [counter, rows, reported] :
         {std::tuple{2, 5, 2}, {5, 2, 2}, {4, 4, 4}, {0, 3, 0}, {5, 0, 0}, {-1, 2, 0}, {0, 0, 0}}) {
        RecordList records;
        for (int r = 0; r < rows; ++r)
            records.Insert(r, {{}, {}, {QString::number(r + 1)}});
        UploadDocument head;
        head.header.company = "Acme";
        const UploadDocument document = WithReportableRows(head, records, counter);
        EXPECT_EQ(ReportableRowCount(counter, rows), reported) << counter << ' ' << rows;
        ASSERT_EQ(document.rows.size(), size_t(reported)) << counter << ' ' << rows;
        for (int r = 0; r < reported; ++r)
            EXPECT_EQ(document.rows[size_t(r)].texts[0], QString::number(r + 1));
        EXPECT_EQ(document.header.company, "Acme");
    }
}

} // namespace
} // namespace vemla
