#pragma once
// A project's results as files for scripts and spreadsheets: a CSV with one line per (cable ID,
// wavelength, direction) and a JSON document of the whole report. Field names are fixed and
// English whatever the language, so scripts can rely on them; they live in this file only.

#include "DocumentWriter.h"
#include "ProjectReport.h"

#include <QByteArray>
#include <QJsonObject>

namespace vemla {

class IProjectWriter {
public:
    virtual ~IProjectWriter() = default;
    // As IDocumentWriter::Prepare: the report into `file`, left unplaced.
    virtual bool Prepare(const ProjectReport& report, FileCommit& file, QString* error) = 0;
    WriteResult Write(const ProjectReport& report, const Destination& to);
};

// UTF-8 with a byte-order mark, RFC 4180 quoting, CRLF. Per line: the direction's own loss,
// limit, margin and verdict, then the link's at that wavelength (by the project's rule), whether
// the directions differ, and the ID's status. The ID, from and to are guarded as shown texts.
QByteArray ProjectCsvBytes(const ProjectReport& report);
QByteArray ProjectJsonBytes(const ProjectReport& report);
// Untrusted input (the certificate program reads what the command line wrote): sizes, texts and
// figures are bounded; false with the reason otherwise. The counts are made again from the IDs.
bool ProjectReportFromJson(const QJsonObject& json, ProjectReport* report, QString* error);

class ProjectCsvWriter final : public IProjectWriter {
public:
    bool Prepare(const ProjectReport& report, FileCommit& file, QString* error) override;
};

class ProjectJsonWriter final : public IProjectWriter {
public:
    bool Prepare(const ProjectReport& report, FileCommit& file, QString* error) override;
};

// "ab" and "ba", as the command line takes them.
QString DirectionKey(Direction direction);

} // namespace vemla
