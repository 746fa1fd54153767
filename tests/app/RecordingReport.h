#pragma once
// The report seams for window tests: records what SAVE OR PRINT hands over and opens nothing.

#include "Report.h"

#include <QFile>
#include <QStringList>

namespace vemla::test {

class RecordingReport final : public IReportWriter, public IReportOpener {
public:
    bool Write(const ReportData& data, const QString& path, QString*) override {
        written.push_back(data);
        QFile file(path); // a file, so the next report gets a name of its own
        return file.open(QIODevice::WriteOnly);
    }
    bool Open(const QString& path) override { return opened << path, true; }
    std::vector<ReportData> written;
    QStringList opened;
};

} // namespace vemla::test
