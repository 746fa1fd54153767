#pragma once
// The report seams for window tests: records what SAVE OR PRINT hands over and opens nothing.

#include "Report.h"

#include <QStringList>
#include <array>
#include <vector>

namespace vemla::test {

class RecordingReport final : public IDocumentWriter, public IReportOpener {
public:
    // The document as the seed's sheet shows it: columns 1..6 of each row.
    struct Written {
        Language language;
        HeaderFields header;
        std::vector<std::array<QString, 6>> rows;
    };
    bool Prepare(const UploadDocument& document, FileCommit& file, QString*) override {
        Written w{document.language, document.header, {}};
        for (const MeterRecord& row : document.rows) {
            std::array<QString, 6> texts;
            std::copy(row.texts.begin() + 1, row.texts.end(), texts.begin());
            w.rows.push_back(texts);
        }
        written.push_back(std::move(w));
        return file.Open(); // a file, so the next report gets a name of its own
    }
    bool Open(const QString& path) override { return opened << path, true; }
    std::vector<Written> written;
    QStringList opened;
};

} // namespace vemla::test
