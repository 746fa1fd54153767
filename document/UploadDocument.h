#pragma once
// The upload as one value: what every writer (workbook, CSV, JSON, certificate) reads, made in
// one place from the session's records or from an archived upload. Which rows are reported is
// decided here only.

#include "Certification.h"
#include "HeaderFields.h"
#include "RecordList.h"
#include "Texts.h"

#include <QDateTime>
#include <array>
#include <cstdint>
#include <vector>

namespace vemla {

struct UploadDocument {
    Language language = Language::Chinese;
    HeaderFields header;
    std::vector<int> waves;           // the instrument's wavelengths, nm
    std::array<uint32_t, 4> lasers{}; // the instrument's lasers, nm
    // The limits, references and method in force; off when the upload is not judged.
    CertificationSettings certification;
    // When the document was made: names its files, and references are judged stale against it.
    QDateTime taken;
    // Each record's values, raw frame and texts as shown (the operator's corrections included).
    std::vector<MeterRecord> rows;
    // Records the meter sent that arrived damaged and were left out (missing record numbers).
    int skippedFrames = 0;
    // The upload never got the meter's end reply: the rows are what came before it was cut.
    bool interrupted = false;

    std::vector<RecordValues> Values() const;
};

// The counter keeps its value after a delete-all and the table may hold rows the meter has not
// counted: only the first min(record counter, rows) are the upload.
int ReportableRowCount(int recordCounter, int rows);

// `document` with its rows taken from `records` by that rule; everything else as given.
UploadDocument WithReportableRows(UploadDocument document, const RecordList& records,
                                  int recordCounter);

} // namespace vemla
