#include "CliProject.h"

#include "CliOutputs.h"
#include "MeasurementArchive.h"
#include "PdfCertificate.h"
#include "ProjectExport.h"
#include "ProjectStore.h"
#include "ProjectWorkbook.h"
#include "UserSettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vemla {
namespace {

constexpr qint64 kMaxPlanBytes = 64 * 1024 * 1024;

// The archive opened for projects: the schema brought up to date by the archive itself, then
// the project store's own connection.
class ProjectArchive {
public:
    explicit ProjectArchive(const CliOptions& o) : m_o(o) {}

    // kExitDone, or kExitArchive with the reason said.
    int Open() {
        const QString path = MeasurementArchive::DefaultPath();
        const ArchiveOpenResult opened = m_archive.Open(path, m_o.language);
        QString error = opened.message;
        if (opened.state == ArchiveState::ReadWrite && m_store.Open(path, &error))
            return kExitDone;
        Say(T(text::kCliArchiveNeeded).arg(error));
        return kExitArchive;
    }
    ProjectStore& Store() { return m_store; }
    QString T(const BilingualText& t) const { return Pick(t, m_o.language); }

    // The project named on the command line; none said and told when there is none.
    std::optional<StoredProject> Named() const {
        std::optional<StoredProject> project = m_store.Find(m_o.project);
        if (!project)
            Say(T(text::kCliNoSuchProject).arg(m_o.project));
        return project;
    }

    std::optional<ProjectReport> Report(const StoredProject& project) const {
        const std::optional<ProjectLedger> ledger = m_store.Ledger(project);
        if (!ledger)
            return std::nullopt;
        ProjectReport report =
            MakeProjectReport(project.info, *ledger, m_o.language, QDateTime::currentDateTime());
        // The meter and the operator as this run names them: a project keeps none.
        report.meter = {{}, m_o.header.model, m_o.header.serialNumber, m_o.header.testOperator, {}};
        return report;
    }

private:
    const CliOptions& m_o;
    MeasurementArchive m_archive;
    ProjectStore m_store;
};

// The expected wavelengths: as given, else those the limits in force judge, else 1310 and 1550.
std::vector<int> WavesFor(const CliOptions& o, const CertificationSettings& limits) {
    if (!o.projectWaves.empty())
        return o.projectWaves;
    std::vector<int> waves;
    for (const WaveLimit& limit : limits.limits)
        waves.push_back(limit.wavelength);
    return waves.empty() ? std::vector<int>{1310, 1550} : waves;
}

// The IDs to add: the plan file's, or the patterns expanded. False when refused, told.
bool Additions(const CliOptions& o, std::vector<CableLink>* added) {
    QString error;
    if (o.projectAction == ProjectAction::Import) {
        QFile file(o.plan);
        if (!file.open(QIODevice::ReadOnly)) {
            Say(Pick(text::kCliCannotRead, o.language).arg(o.plan, file.errorString()));
            return false;
        }
        if (file.size() > kMaxPlanBytes) {
            Say(Pick(text::kCliTooLarge, o.language).arg(o.plan).arg(kMaxPlanBytes >> 20));
            return false;
        }
        if (!ParsePlanCsv(file.read(kMaxPlanBytes), added, o.language, &error))
            return Say(QStringLiteral("%1: %2").arg(o.plan, error)), false;
        return true;
    }
    for (const QString& pattern : o.patterns) {
        std::vector<QString> ids;
        if (!ExpandPattern(pattern, &ids, o.language, &error))
            return Say(error), false;
        for (QString& id : ids)
            added->push_back({std::move(id), {}, {}, {}, {}, {}, {}});
    }
    return true;
}

// import and add: the project made with the IDs when it is new, the IDs added otherwise.
int AddToProject(const CliOptions& o, ProjectArchive& archive) {
    std::vector<CableLink> added;
    if (!Additions(o, &added))
        return kExitUsage;
    QString error;
    std::optional<StoredProject> project = archive.Store().Find(o.project);
    bool done;
    if (project) {
        done = archive.Store().AddCables(project->id, added, o.language, &error);
    } else {
        project.emplace();
        project->info = {o.project, o.customer, o.site, o.projectNotes, LoadCertificationInForce(),
                         o.rules};
        project->waves = WavesFor(o, project->info.certification);
        project->bothDirections = o.bothDirections;
        done = archive.Store().Create(*project, added, o.language, &error);
    }
    if (!done)
        return Say(error), kExitUsage;
    const std::optional<ProjectLedger> ledger = archive.Store().Ledger(*project);
    Out(archive.T(text::kCliPlanAdded)
            .arg(o.project)
            .arg(added.size())
            .arg(ledger ? ledger->Plan().size() : 0));
    return kExitDone;
}

int List(const CliOptions& o, ProjectArchive& archive) {
    QJsonArray list;
    for (const StoredProject& project : archive.Store().Projects()) {
        const std::optional<ProjectReport> report = archive.Report(project);
        if (!report)
            continue;
        if (!o.json) {
            Out(QStringLiteral("%1\t%2").arg(project.info.name, ProgressText(*report)));
            continue;
        }
        const ProjectCounts& c = report->counts;
        list.append(QJsonObject{{QStringLiteral("name"), project.info.name},
                                {QStringLiteral("ids"), c.ids},
                                {QStringLiteral("passed"), c.passed},
                                {QStringLiteral("failed"), c.failed},
                                {QStringLiteral("marginal"), c.marginal},
                                {QStringLiteral("incomplete"), c.incomplete},
                                {QStringLiteral("untested"), c.untested}});
    }
    if (o.json)
        Out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
    return kExitDone;
}

// The progress line, then the table every view shows, a tab between cells.
int Status(const CliOptions& o, const ProjectReport& report) {
    if (o.json) {
        Out(QString::fromUtf8(ProjectJsonBytes(report)).trimmed());
        return kExitDone;
    }
    Out(ProgressText(report));
    if (UncertaintyDb(report.info.certification))
        Out(Pick(text::kProjectMarginal, o.language).arg(report.counts.marginal));
    Out(ProjectColumnCaptions(report).join(u'\t'));
    for (const ProjectIdRow& row : report.rows)
        Out(ProjectRowCells(report, row).join(u'\t'));
    return kExitDone;
}

int Report(const CliOptions& o, const ProjectReport& report) {
    if (o.pdf.isEmpty() && o.xlsx.isEmpty() && o.csv.isEmpty() && o.jsonFile.isEmpty()) {
        Say(Pick(text::kCliReportNeedsOutput, o.language));
        return kExitUsage;
    }
    // The certificate judges every link: refused before any file, as an upload's.
    if (!o.pdf.isEmpty() && !report.info.certification.enabled) {
        Say(Pick(text::kCliPdfNeedsLimits, o.language));
        return kExitFile;
    }
    StagedOutputs outputs(o.language, o.force ? Replace::RegularFile : Replace::Never);
    QString error;
    const auto prepare = [&](const QString& path, IProjectWriter&& writer) {
        if (path.isEmpty() || writer.Prepare(report, outputs.Stage(path), &error))
            return true;
        Say(Pick(text::kCliCannotWrite, o.language).arg(path, error));
        return false;
    };
    if (!prepare(o.xlsx, ProjectXlsxWriter()) || !prepare(o.csv, ProjectCsvWriter()) ||
        !prepare(o.jsonFile, ProjectJsonWriter()))
        return kExitFile;
    if (!o.pdf.isEmpty()) {
        if (const QString overdue = CalibrationWarning(report.info.certification.workflow,
                                                       report.taken.date(), o.language);
            !overdue.isEmpty())
            Say(overdue);
        QByteArray pdf;
        if (!PdfFromJson(ProjectJsonBytes(report), &pdf, o.language, &error)) {
            Say(error);
            return kExitFile;
        }
        if (!PrepareBytes(outputs.Stage(o.pdf), pdf, o.language, &error)) {
            Say(Pick(text::kCliCannotWrite, o.language).arg(o.pdf, error));
            return kExitFile;
        }
    }
    return outputs.PlaceAll();
}

} // namespace

int CheckProject(const CliOptions& o) {
    ProjectArchive archive(o);
    if (const int opened = archive.Open(); opened != kExitDone)
        return opened;
    return archive.Named() ? kExitDone : kExitUsage;
}

int RunProject(const CliOptions& o) {
    if (o.projectAction == ProjectAction::Report)
        if (const int checked = CheckOutputPaths(o); checked != kExitDone)
            return checked;
    ProjectArchive archive(o);
    if (const int opened = archive.Open(); opened != kExitDone)
        return opened;
    if (o.projectAction == ProjectAction::Import || o.projectAction == ProjectAction::Add)
        return AddToProject(o, archive);
    if (o.projectAction == ProjectAction::List)
        return List(o, archive);
    const std::optional<StoredProject> project = archive.Named();
    if (!project)
        return kExitUsage;
    const std::optional<ProjectReport> report = archive.Report(*project);
    if (!report)
        return kExitArchive;
    return o.projectAction == ProjectAction::Status ? Status(o, *report) : Report(o, *report);
}

int TieUpload(const CliOptions& o, qint64 job) {
    ProjectArchive archive(o);
    if (const int opened = archive.Open(); opened != kExitDone)
        return opened;
    const std::optional<StoredProject> project = archive.Named();
    if (!project)
        return kExitUsage;
    QString error;
    if (!archive.Store().Tie(*project, job, o.direction, o.language, &error))
        return Say(error), kExitArchive;
    Say(archive.T(text::kCliUploadTied).arg(job).arg(o.project, DirectionText(o.direction)));
    return kExitDone;
}

} // namespace vemla
