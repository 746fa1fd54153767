#include "UploadDocument.h"

#include <algorithm>

namespace vemla {

std::vector<RecordValues> UploadDocument::Values() const {
    std::vector<RecordValues> values;
    values.reserve(rows.size());
    for (const MeterRecord& row : rows)
        values.push_back(row.values);
    return values;
}

int ReportableRowCount(int recordCounter, int rows) {
    return std::max(0, std::min(recordCounter, rows));
}

UploadDocument WithReportableRows(UploadDocument document, const RecordList& records,
                                  int recordCounter) {
    const int count = ReportableRowCount(recordCounter, records.Count());
    document.rows.clear();
    document.rows.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r)
        document.rows.push_back(records.At(r));
    return document;
}

} // namespace vemla
