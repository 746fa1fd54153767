// The report sheet written with libxlsxwriter, row by row in constant-memory mode.
#include "Report.h"

#include <QFile>
#include <xlsxwriter.h>

#include <array>
#include <string>
#include <string_view>

namespace vemla {
namespace {

constexpr lxw_color_t kLightTurquoise = 0xCCFFFF; // palette index 20
constexpr lxw_color_t kGreen = 0x008000;          // palette index 10
constexpr int kLastCentredRow = 1010;             // A6:E1010 is centred, data or not

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

bool WriteSheet(lxw_workbook* wb, lxw_worksheet* ws, const ReportData& data) {
    const auto label = [&](const BilingualText& text) { return PickUtf8(text, data.language); };
    const Formats f = MakeFormats(wb);
    constexpr std::array<double, 7> kWidths{13, 18, 13, 13, 13, 20, 13};
    bool ok = true;
    for (size_t c = 0; c < kWidths.size(); ++c)
        ok &= worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), kWidths[c], nullptr) ==
              LXW_NO_ERROR;

    // Rows 1 to 4: title, labels and the operator's header fields.
    ok &= Merge(ws, 0, 0, 4, label(text::kReportTitle), f.title);
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

    // Row 6: column headers; the fill spans A..G, the centring A..E.
    for (int c = 0; c < 7; ++c)
        ok &= Text(ws, 5, c, Pick(text::kReportColumnHeaders[size_t(c)], data.language),
                   c < 5 ? f.headCentre : f.headFill);

    // Data from row 7; A..E stay centred down to row 1010 even where no record is.
    const int dataRows = static_cast<int>(data.rows.size());
    const int lastRow = std::max(kLastCentredRow, 6 + dataRows);
    for (int r = 7; r <= lastRow && ok; ++r) {
        const int i = r - 7;
        lxw_format* centred = r <= kLastCentredRow ? f.centre : nullptr;
        if (i < dataRows) {
            ok &= worksheet_write_number(ws, lxw_row_t(r - 1), 0, i + 1, centred) == LXW_NO_ERROR;
            const auto& row = data.rows[size_t(i)];
            for (int c = 0; c < 6; ++c)
                ok &= Text(ws, r - 1, c + 1, row[size_t(c)], c + 1 < 5 ? centred : nullptr);
        } else {
            for (int c = 0; c < 5; ++c)
                ok &= worksheet_write_blank(ws, lxw_row_t(r - 1), lxw_col_t(c), f.centre) ==
                      LXW_NO_ERROR;
        }
    }
    return ok;
}

} // namespace

bool XlsxReportWriter::Write(const ReportData& data, const QString& path, QString* error) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
    if (!wb) {
        if (error)
            *error = QStringLiteral("cannot create the workbook");
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    const bool written = ws && WriteSheet(wb, ws, data);
    const lxw_error closed = workbook_close(wb); // also frees the workbook
    if (!written || closed != LXW_NO_ERROR) {
        if (error)
            *error = QString::fromUtf8(lxw_strerror(closed));
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace vemla
