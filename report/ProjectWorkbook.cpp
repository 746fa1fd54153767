#include "ProjectWorkbook.h"
#include "Workbook.h"

#include <xlsxwriter.h>

namespace vemla {
namespace {

// Rows are written in order: the workbook keeps one row in memory (constant_memory).
class ProjectSheet {
public:
    ProjectSheet(lxw_workbook* wb, lxw_worksheet* ws, const ProjectReport& report)
        : m_ws(ws), m_report(report), m_bold(workbook_add_format(wb)),
          m_number(workbook_add_format(wb)) {
        format_set_bold(m_bold);
        format_set_num_format(m_number, "0.00");
        worksheet_set_column(ws, 0, 0, 24, nullptr);
        worksheet_set_column(ws, 1, 40, 14, nullptr);
    }

    bool Write() {
        const Language l = m_report.language;
        const ProjectInfo& info = m_report.info;
        Text(Pick(text::kProjectCertificateTitle, l), m_bold);
        ++m_row;
        Field(text::kProjectName, info.name);
        Field(text::kProjectCustomer, info.customer);
        Field(text::kProjectSite, info.site);
        Field(text::kReportNotes, info.notes);
        Field(text::kCertMethod, MethodText(info.certification.method, l));
        if (m_report.bothDirections)
            Field(text::kProjectRule, RuleText(info.rules.rule, l));
        const QString uncertainty = UncertaintyText(info.certification, l);
        if (!info.certification.edition.isEmpty())
            Field(text::kCertPreset,
                  QStringLiteral("%1, %2").arg(PresetName(info.certification.preset, l),
                                               info.certification.edition));
        if (!uncertainty.isEmpty())
            Field(text::kCertUncertainty, uncertainty);
        Field(text::kCertOverall, VerdictText(m_report.Overall(), l));
        Text(ProgressText(m_report));
        if (!uncertainty.isEmpty())
            Text(Pick(text::kProjectMarginal, l).arg(m_report.counts.marginal));
        ++m_row;
        Limits();
        ++m_row;
        Table();
        ++m_row;
        Text(Pick(text::kUntestedIds, l), m_bold);
        for (const QString& id : m_report.Untested())
            Text(id);
        return m_ok;
    }

private:
    void Cell(int col, const QString& text, lxw_format* format = nullptr) {
        const QByteArray utf8 = text.toUtf8();
        m_ok = m_ok && worksheet_write_string(m_ws, lxw_row_t(m_row), lxw_col_t(col),
                                              utf8.constData(), format) == LXW_NO_ERROR;
    }
    // A figure as a number the spreadsheet can sum; the em dash stays a text.
    void Figure(int col, const QString& shown) {
        bool number = false;
        const double value = shown.toDouble(&number);
        if (number)
            m_ok = m_ok && worksheet_write_number(m_ws, lxw_row_t(m_row), lxw_col_t(col), value,
                                                  m_number) == LXW_NO_ERROR;
        else
            Cell(col, shown);
    }
    void Text(const QString& text, lxw_format* format = nullptr) {
        Cell(0, text, format);
        ++m_row;
    }
    void Field(const BilingualText& label, const QString& value) {
        Cell(0, Pick(label, m_report.language), m_bold);
        Cell(1, value);
        ++m_row;
    }
    void Limits() {
        const Language l = m_report.language;
        const CertificationSettings& c = m_report.info.certification;
        Text(Pick(text::kCertLimits, l), m_bold);
        Cell(0, Pick(text::kCertWavelength, l), m_bold);
        Cell(1, Pick(text::kCertLimit, l), m_bold);
        ++m_row;
        for (int wave : m_report.waves) {
            Cell(0, QString::number(wave));
            Figure(1, FigureText(LimitDb(c, wave)));
            ++m_row;
        }
    }
    // The ID and the status are texts whatever they look like ("017" stays "017").
    void Table() {
        const QStringList captions = ProjectColumnCaptions(m_report);
        for (int c = 0; c < captions.size(); ++c)
            Cell(c, captions[c], m_bold);
        ++m_row;
        const int last = int(captions.size()) - 1;
        for (const ProjectIdRow& row : m_report.rows) {
            const QStringList cells = ProjectRowCells(m_report, row);
            for (int c = 0; c < cells.size(); ++c)
                c == 0 || c == last ? Cell(c, cells[c]) : Figure(c, cells[c]);
            ++m_row;
        }
    }

    lxw_worksheet* m_ws;
    const ProjectReport& m_report;
    lxw_format* m_bold;
    lxw_format* m_number;
    int m_row = 0;
    bool m_ok = true;
};

} // namespace

bool ProjectXlsxWriter::Prepare(const ProjectReport& report, FileCommit& file, QString* error) {
    return WriteWorkbook(
        file, report.language,
        [&](lxw_workbook* wb) {
            const std::string name(PickUtf8(text::kProjectSheet, report.language));
            lxw_worksheet* ws = workbook_add_worksheet(wb, name.c_str());
            return ws && ProjectSheet(wb, ws, report).Write();
        },
        error);
}

} // namespace vemla
