// The report sheet written with libxlsxwriter, row by row in constant-memory mode.
#include "Report.h"
#include "Workbook.h"

#include <QFile>
#include <xlsxwriter.h>

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vemla {
namespace {

constexpr lxw_color_t kLightTurquoise = 0xCCFFFF; // palette index 20
constexpr lxw_color_t kGreen = 0x008000;          // palette index 10
// Sheet rows as the spreadsheet numbers them, from 1.
constexpr int kColumnHeaderRow = 6;
constexpr int kFirstDataRow = 7;
constexpr int kLastCentredRow = 1010; // A6:E1010 is centred, data or not
constexpr int kCentredColumns = 5;    // A..E

// Every distinct look a cell of the sheet can have.
struct Formats {
    lxw_format* title;      // A1:E1
    lxw_format* label;      // A2:B4, D2:D3
    lxw_format* field;      // C2:C4, E2:E3
    lxw_format* wrapOnly;   // D4, E4
    lxw_format* headCentre; // A6:E6
    lxw_format* headFill;   // F6:G6
    lxw_format* centre;     // A7:E1010
};

lxw_format* MakeFormat(lxw_workbook* wb, uint8_t horizontal, bool vcentre, bool wrap,
                       lxw_color_t fill) {
    lxw_format* f = workbook_add_format(wb);
    if (horizontal != LXW_ALIGN_NONE)
        format_set_align(f, horizontal);
    if (vcentre)
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (wrap)
        format_set_text_wrap(f);
    if (fill != LXW_COLOR_UNSET) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, fill);
    }
    return f;
}

Formats MakeFormats(lxw_workbook* wb) {
    return {
        MakeFormat(wb, LXW_ALIGN_CENTER, true, true, LXW_COLOR_UNSET),
        MakeFormat(wb, LXW_ALIGN_RIGHT, true, true, LXW_COLOR_UNSET),
        MakeFormat(wb, LXW_ALIGN_LEFT, true, true, kLightTurquoise),
        MakeFormat(wb, LXW_ALIGN_NONE, false, true, LXW_COLOR_UNSET),
        MakeFormat(wb, LXW_ALIGN_CENTER, true, false, kGreen),
        MakeFormat(wb, LXW_ALIGN_NONE, false, false, kGreen),
        MakeFormat(wb, LXW_ALIGN_CENTER, true, false, LXW_COLOR_UNSET),
    };
}

// Writes a text, or a formatted blank for an empty one (the cell keeps its look).
bool Text(lxw_worksheet* ws, int row, int col, const QString& text, lxw_format* f) {
    const QByteArray utf8 = text.toUtf8();
    const lxw_error e =
        utf8.isEmpty()
            ? worksheet_write_blank(ws, lxw_row_t(row), lxw_col_t(col), f)
            : worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(col), utf8.constData(), f);
    return e == LXW_NO_ERROR;
}

bool Merge(lxw_worksheet* ws, int row, int firstCol, int lastCol, std::string_view text,
           lxw_format* f) {
    const std::string terminated(text); // the library reads up to a NUL
    return worksheet_merge_range(ws, lxw_row_t(row), lxw_col_t(firstCol), lxw_row_t(row),
                                 lxw_col_t(lastCol), terminated.c_str(), f) == LXW_NO_ERROR;
}

// Rows 1 to 4: title, labels and the operator's header fields.
bool WriteHeaderBlock(lxw_worksheet* ws, const Formats& f, const UploadDocument& data) {
    const auto label = [&](const BilingualText& text) { return PickUtf8(text, data.language); };
    bool ok = Merge(ws, 0, 0, 4, label(text::kReportTitle), f.title);
    const std::array leftLabels{text::kReportCompany, text::kReportModel,
                                text::kReportSerialNumber};
    const std::array<QString, 3> leftFields{data.header.company, data.header.model,
                                            data.header.serialNumber};
    for (int i = 0; i < 3; ++i) {
        const int row = i + 1;
        ok &= Merge(ws, row, 0, 1, label(leftLabels[size_t(i)]), f.label);
        ok &= Text(ws, row, 2, leftFields[size_t(i)], f.field);
        if (i < 2) {
            ok &= Text(ws, row, 3,
                       Pick(i == 0 ? text::kReportOperator : text::kReportNotes, data.language),
                       f.label);
            ok &= Text(ws, row, 4, i == 0 ? data.header.testOperator : data.header.notes, f.field);
        } else {
            ok &= Text(ws, row, 3, {}, f.wrapOnly);
            ok &= Text(ws, row, 4, {}, f.wrapOnly);
        }
    }
    return ok;
}

// The column headers: the fill spans every column, the centring A..E.
bool WriteColumnHeaders(lxw_worksheet* ws, const Formats& f, Language language) {
    bool ok = true;
    for (int c = 0; c < kTableColumns; ++c) {
        const QString caption = Pick(text::kReportColumnHeaders[size_t(c)], language);
        ok &= Text(ws, kColumnHeaderRow - 1, c, caption,
                   c < kCentredColumns ? f.headCentre : f.headFill);
    }
    return ok;
}

// The records from kFirstDataRow; A..E stay centred down to kLastCentredRow even where no
// record is.
bool WriteDataRows(lxw_worksheet* ws, const Formats& f, const UploadDocument& data) {
    const int dataRows = static_cast<int>(data.rows.size());
    const int lastRow = std::max(kLastCentredRow, kFirstDataRow - 1 + dataRows);
    bool ok = true;
    for (int r = kFirstDataRow; r <= lastRow && ok; ++r) {
        const int i = r - kFirstDataRow;
        lxw_format* centred = r <= kLastCentredRow ? f.centre : nullptr;
        if (i < dataRows) {
            ok &= worksheet_write_number(ws, lxw_row_t(r - 1), 0, i + 1, centred) == LXW_NO_ERROR;
            const auto& texts = data.rows[size_t(i)].texts;
            for (int c = 1; c < kTableColumns; ++c)
                ok &= Text(ws, r - 1, c, texts[size_t(c)], c < kCentredColumns ? centred : nullptr);
        } else {
            for (int c = 0; c < kCentredColumns; ++c)
                ok &= worksheet_write_blank(ws, lxw_row_t(r - 1), lxw_col_t(c), f.centre) ==
                      LXW_NO_ERROR;
        }
    }
    return ok;
}

bool WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, const UploadDocument& data) {
    const Formats f = MakeFormats(wb);
    constexpr std::array<double, kTableColumns> kWidths{13, 18, 13, 13, 13, 20, 13};
    bool ok = true;
    for (size_t c = 0; c < kWidths.size(); ++c)
        ok &= worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), kWidths[c], nullptr) ==
              LXW_NO_ERROR;
    ok &= WriteHeaderBlock(ws, f, data);
    ok &= WriteColumnHeaders(ws, f, data.language);
    if (ok)
        ok = WriteDataRows(ws, f, data);
    // Printed: as wide as one page, as long as it takes, the column headers on every page.
    worksheet_fit_to_pages(ws, 1, 0);
    ok &= worksheet_repeat_rows(ws, kColumnHeaderRow - 1, kColumnHeaderRow - 1) == LXW_NO_ERROR;
    return ok;
}

// The certification sheet, top down as constant-memory mode needs: the settings the verdicts
// rest on, the summary, then each record's result. Numbers stay numbers.
class CertificationSheet {
public:
    CertificationSheet(lxw_workbook* wb, lxw_worksheet* ws, const UploadDocument& data)
        : m_ws(ws), m_language(data.language), m_bold(workbook_add_format(wb)),
          m_number(workbook_add_format(wb)), m_input(workbook_add_format(wb)) {
        format_set_bold(m_bold);
        format_set_num_format(m_number, "0.00");
        // Inputs as given: two decimals at least, as many as were typed up to ten (InputText).
        format_set_num_format(m_input, "0.00########");
    }

    bool Write(const UploadDocument& data) {
        const CertificationSettings& c = data.certification;
        const std::vector<RecordValues> values = data.Values();
        for (int col = 0; col < 6; ++col)
            worksheet_set_column(m_ws, lxw_col_t(col), lxw_col_t(col), col ? 16 : 24, nullptr);
        Text(0, Pick(text::kCertificationSheet, m_language), m_bold);
        int row = WriteLink(1, c);
        row = WriteLimits(row + 1, c);
        row = WriteReferences(row + 1, c, data.taken);
        row = WriteSummary(row + 1, Summarize(values, c, data.taken), UncertaintyDb(c).has_value());
        WriteResults(row + 2, values, c, data.taken);
        return m_ok;
    }

private:
    // The method and the link's make-up; returns the row after them.
    int WriteLink(int row, const CertificationSettings& c) {
        Label(row, text::kCertMethod);
        Text(row++, MethodText(c.method, m_language), nullptr, 1);
        const std::array<std::pair<BilingualText, double>, 6> link{{
            {text::kCertLinkLength, c.link.lengthKm},
            {text::kCertConnectorPairs, c.link.connectorPairs},
            {text::kCertLossPerPair, c.link.lossPerPairDb},
            {text::kCertSplices, c.link.splices},
            {text::kCertLossPerSplice, c.link.lossPerSpliceDb},
            {text::kCertDesignMargin, c.link.designMarginDb},
        }};
        for (size_t i = 0; i < link.size(); ++i, ++row) {
            Label(row, link[i].first);
            const bool count = i == 1 || i == 3;
            Number(row, 1, link[i].second, count ? nullptr : m_input);
        }
        return WriteStandard(row, c);
    }

    // The end-connection figure, the preset with its edition and the uncertainty, where given.
    int WriteStandard(int row, const CertificationSettings& c) {
        if (c.link.endConnectionDb) {
            Label(row, text::kCertEndConnection);
            Number(row++, 1, *c.link.endConnectionDb, m_input);
        }
        if (!c.edition.isEmpty()) {
            Label(row, text::kCertPreset);
            Text(row++, QStringLiteral("%1, %2").arg(PresetName(c.preset, m_language), c.edition),
                 nullptr, 1);
        }
        if (const QString uncertainty = UncertaintyText(c, m_language); !uncertainty.isEmpty()) {
            Label(row, text::kCertUncertainty);
            Text(row++, uncertainty, nullptr, 1);
        }
        return row;
    }

    int WriteLimits(int row, const CertificationSettings& c) {
        row = Heading(row, text::kCertLimits,
                      {text::kCertWavelength, text::kCertLimitFrom, text::kCertAttenuation,
                       text::kCertLimit});
        for (const WaveLimit& l : c.limits) {
            const bool fixed = l.kind == WaveLimit::Kind::Fixed;
            Number(row, 0, l.wavelength);
            Text(row, Pick(fixed ? text::kCertFixed : text::kCertBudget, m_language), nullptr, 1);
            if (!fixed)
                Number(row, 2, l.attenuationDbPerKm, m_input);
            // The limit the records are judged against, at the shown resolution.
            const auto limit = LimitDb(c, l.wavelength);
            Optional(row++, 3, limit ? AtResolution(*limit) : std::nullopt);
        }
        return row;
    }

    int WriteReferences(int row, const CertificationSettings& c, const QDateTime& taken) {
        row = Heading(row, text::kCertReferences,
                      {text::kCertWavelength, text::kCertReference, text::kCertTaken});
        for (const LossReference& r : c.references) {
            Number(row, 0, r.wavelength);
            Number(row, 1, r.dBm, m_input);
            Text(row, r.taken.toString(Qt::ISODate), nullptr, 2);
            if (IsStale(r, c.staleAfterHours, taken))
                Text(row, Pick(certtext::kStale, m_language), nullptr, 3);
            ++row;
        }
        return row;
    }

    // Per wavelength, then the overall verdict; returns the overall verdict's row.
    // With an uncertainty, the marginal results are counted in a seventh column.
    int WriteSummary(int row, const std::vector<WaveSummary>& summary, bool marginal) {
        row = Heading(row, text::kCertSummary,
                      {text::kCertWavelength, text::kCertCount, certtext::kPass, certtext::kFail,
                       text::kCertWarnings, text::kCertWorstMargin});
        if (marginal)
            Text(row - 1, Pick(text::kCertMarginal, m_language), m_bold, 6);
        for (const WaveSummary& w : summary) {
            const std::array<int, 5> counts{w.wavelength, w.count, w.pass, w.fail, w.warnings};
            for (size_t col = 0; col < counts.size(); ++col)
                Number(row, int(col), counts[col]);
            if (marginal)
                Number(row, 6, w.marginal);
            Optional(row++, 5, w.worstMarginDb);
        }
        Label(row, text::kCertOverall);
        Text(row, VerdictText(OverallVerdict(summary), m_language), m_bold, 1);
        return row;
    }

    void WriteResults(int row, const std::vector<RecordValues>& values,
                      const CertificationSettings& c, const QDateTime& taken) {
        row = Heading(row, {},
                      {text::kColumnNumber, text::kColumnWavelength, certtext::kLossColumn,
                       text::kCertLimit, text::kCertMargin, certtext::kResultColumn});
        for (size_t i = 0; i < values.size() && m_ok; ++i, ++row) {
            const RecordResult r = Evaluate(values[i], c, taken);
            Number(row, 0, double(i + 1));
            Number(row, 1, values[i].wavelength);
            Optional(row, 2, r.lossDb);
            Optional(row, 3, r.limitDb);
            Optional(row, 4, r.marginDb);
            Text(row, MarkedVerdictText(r, m_language), nullptr, 5);
        }
    }

    void Text(int row, const QString& text, lxw_format* f, int col = 0) {
        m_ok &= vemla::Text(m_ws, row, col, text, f);
    }
    void Label(int row, const BilingualText& text) { Text(row, Pick(text, m_language), nullptr); }
    void Number(int row, int col, double value, lxw_format* f = nullptr) {
        m_ok &=
            worksheet_write_number(m_ws, lxw_row_t(row), lxw_col_t(col), value, f) == LXW_NO_ERROR;
    }
    // A missing value is a dash, never a made-up number.
    void Optional(int row, int col, const std::optional<double>& value) {
        if (value)
            Number(row, col, *value, m_number);
        else
            Text(row, QString::fromUtf8(kNoResultText), nullptr, col);
    }
    // A section's title (none when empty) and its column captions; returns the first data row.
    int Heading(int row, const BilingualText& title,
                std::initializer_list<BilingualText> captions) {
        if (!title.english.empty())
            Text(row++, Pick(title, m_language), m_bold);
        int col = 0;
        for (const BilingualText& caption : captions)
            Text(row, Pick(caption, m_language), m_bold, col++);
        return row + 1;
    }

    lxw_worksheet* m_ws;
    Language m_language;
    lxw_format* m_bold;
    lxw_format* m_number;
    lxw_format* m_input;
    bool m_ok = true;
};

// The seed's sheet, and with certification on a sheet that judges each row.
bool WriteSheets(lxw_workbook* wb, const UploadDocument& data) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    if (!ws || !WriteSheet(wb, ws, data))
        return false;
    if (!data.certification.enabled)
        return true;
    const std::string name(PickUtf8(text::kCertificationSheet, data.language));
    lxw_worksheet* sheet = workbook_add_worksheet(wb, name.c_str());
    return sheet && CertificationSheet(wb, sheet, data).Write(data);
}

} // namespace

bool WriteWorkbook(FileCommit& file, Language language,
                   const std::function<bool(lxw_workbook*)>& fill, QString* error) {
    const QString scratch = file.OpenScratchPath();
    if (scratch.isEmpty())
        return *error = WriteFailureText(file.Failure(), language), false;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(scratch);
    lxw_workbook* wb = workbook_new_opt(name.constData(), &options);
    if (!wb)
        return *error = Pick(text::kWorkbookNotMade, language), false;
    const bool written = fill(wb);
    const lxw_error closed = workbook_close(wb); // also frees the workbook
    if (closed != LXW_NO_ERROR)
        return *error = QString::fromUtf8(lxw_strerror(closed)), false;
    if (!written)
        return *error = Pick(text::kWorkbookNotMade, language), false;
    return true;
}

bool XlsxReportWriter::Prepare(const UploadDocument& data, FileCommit& file, QString* error) {
    // The library finds a text over a cell's capacity only midway and its close then says
    // "No error.": found first, so the operator is told which.
    if (const QString tooLong = TextTooLong(data); !tooLong.isEmpty())
        return *error = tooLong, false;
    return WriteWorkbook(
        file, data.language, [&](lxw_workbook* wb) { return WriteSheets(wb, data); }, error);
}

} // namespace vemla
