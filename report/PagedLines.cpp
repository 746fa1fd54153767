#include "PagedLines.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace vemla {
namespace {

constexpr int kProgressEvery = 256;
constexpr double kCellsColumn = 1.0 / 6; // rows of cells outside the table: six equal columns

class Painter {
public:
    Painter(QPaintDevice& device, const PagedTable& table, const QDateTime& stamp)
        : m_table(table), m_stamp(stamp), m_width(device.width()), m_height(device.height()) {
        // One family for every text: it has the Chinese glyphs and the Latin ones.
        m_body.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("Sans Serif")});
        m_body.setPointSizeF(8.5);
        m_bold = m_body;
        m_bold.setBold(true);
        m_title = m_bold;
        m_title.setPointSizeF(18);
        m_verdict = m_bold;
        m_verdict.setPointSizeF(16);
        m_metrics = std::make_unique<QFontMetricsF>(m_body, &device);
        m_line = m_metrics->height() * 1.35;
        double x = 0;
        for (double share : table.columns) {
            m_columnX.push_back(x);
            x += share * m_width;
        }
        m_columnX.push_back(m_width);
    }

    // Lays the lines out; with a painter, draws them too. False when cancelled.
    bool Run(const std::vector<PagedLine>& lines, QPainter* p, QPagedPaintDevice* device, int pages,
             const PagedProgress& progress) {
        m_page = 1;
        double y = 0;
        const double bottom = m_height - 1.8 * m_line; // the footer's room
        int total = 0, done = 0;
        for (const PagedLine& line : lines)
            total += line.kind == PagedLine::Kind::TableRow;
        bool headed = false;
        for (const PagedLine& line : lines) {
            const bool row = line.kind == PagedLine::Kind::TableRow;
            const QStringList cells = row ? m_table.cells(line.row) : line.cells;
            const double h =
                Height(line.kind, cells) + (row && !headed ? Height(line.kind, m_table.header) : 0);
            const bool pageBreak = line.kind == PagedLine::Kind::PageBreak;
            if (y > 0 && (pageBreak || y + h > bottom)) {
                if (!NextPage(p, device, pages))
                    return false;
                y = 0;
                headed = false;
            }
            if (pageBreak)
                continue;
            if (row && !headed) {
                y = Draw(p, PagedLine::Kind::TableRow, m_table.header, y, true);
                headed = true;
            }
            y = Draw(p, line.kind, cells, y, false);
            if (row && p && progress && ++done % kProgressEvery == 0 && !progress(done, total))
                return false;
        }
        Footer(p, pages);
        return !(p && progress && !progress(total, total));
    }
    int Pages() const { return m_page; }

private:
    bool NextPage(QPainter* p, QPagedPaintDevice* device, int pages) {
        Footer(p, pages);
        if (p && !device->newPage())
            return false;
        ++m_page;
        return true;
    }

    double Height(PagedLine::Kind kind, const QStringList& cells) const {
        switch (kind) {
        case PagedLine::Kind::TableRow: {
            qsizetype lines = 1;
            for (qsizetype i = 0; i < cells.size(); ++i)
                lines = std::max(lines, CellLines(i, cells[i]).size());
            return m_line * double(lines);
        }
        case PagedLine::Kind::Title:
            return 3.0 * m_line;
        case PagedLine::Kind::Verdict:
            return 2.6 * m_line;
        case PagedLine::Kind::Heading:
            return 1.6 * m_line;
        case PagedLine::Kind::Gap:
            return 0.6 * m_line;
        case PagedLine::Kind::PageBreak:
            return 0;
        default:
            return m_line;
        }
    }

    void Text(QPainter* p, double x, double y, double w, const QString& text) const {
        const double room = w - m_line * 0.2;
        const QString shown = m_metrics->horizontalAdvance(text) > room
                                  ? m_metrics->elidedText(text, Qt::ElideRight, room)
                                  : text;
        p->drawText(QPointF(x, y + m_metrics->ascent() + m_line * 0.15), shown);
    }

    double Width(qsizetype column) const {
        return m_columnX[size_t(column) + 1] - m_columnX[size_t(column)];
    }

    // The cell on one line, or, when it does not fit and has a " (" part, that part on a second.
    QStringList CellLines(qsizetype column, const QString& cell) const {
        if (size_t(column) + 1 >= m_columnX.size())
            return {cell};
        const qsizetype mark = cell.indexOf(QStringLiteral(" ("));
        if (mark < 0 || m_metrics->horizontalAdvance(cell) <= Width(column) - m_line * 0.2)
            return {cell};
        return {cell.left(mark), cell.mid(mark + 1)};
    }

    double Draw(QPainter* p, PagedLine::Kind kind, const QStringList& cells, double y,
                bool header) const {
        const double h = Height(kind, cells);
        if (!p)
            return y + h;
        using K = PagedLine::Kind;
        const PagedLine line{kind, cells};
        switch (kind) {
        case K::Title:
        case K::Verdict:
            p->setFont(line.kind == K::Title ? m_title : m_verdict);
            p->drawText(QRectF(0, y, m_width, h),
                        (line.kind == K::Title ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignVCenter,
                        line.cells.value(0));
            break;
        case K::Field:
            p->setFont(m_bold);
            Text(p, 0, y, m_width * 0.32, line.cells.value(0));
            p->setFont(m_body);
            Text(p, m_width * 0.32, y, m_width * 0.68, line.cells.value(1));
            break;
        case K::Text:
            Text(p, 0, y, m_width, line.cells.value(0));
            break;
        case K::Heading:
            p->setFont(m_bold);
            Text(p, 0, y + h - m_line, m_width, line.cells.value(0));
            break;
        case K::Cells:
            p->setFont(m_body);
            for (qsizetype i = 0; i < line.cells.size(); ++i)
                Text(p, double(i) * kCellsColumn * m_width, y, kCellsColumn * m_width,
                     line.cells[i]);
            break;
        case K::TableRow:
            p->setFont(header ? m_bold : m_body);
            for (qsizetype i = 0; size_t(i) + 1 < m_columnX.size() && i < cells.size(); ++i) {
                const QStringList parts = CellLines(i, cells[i]);
                for (qsizetype n = 0; n < parts.size(); ++n)
                    Text(p, m_columnX[size_t(i)], y + double(n) * m_line, Width(i), parts[n]);
            }
            if (header)
                p->drawLine(QPointF(0, y + h), QPointF(m_width, y + h));
            break;
        case K::Gap:
        case K::PageBreak:
            break;
        }
        p->setFont(m_body);
        return y + h;
    }

    void Footer(QPainter* p, int pages) const {
        if (!p)
            return;
        const double y = m_height - m_line;
        p->setFont(m_body);
        Text(p, 0, y, m_width / 2, m_stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        const QString n = QStringLiteral("%1 / %2").arg(m_page).arg(pages);
        const double w = m_metrics->horizontalAdvance(n);
        Text(p, m_width - w - m_line * 0.2, y, w + m_line, n);
    }

    const PagedTable& m_table;
    QDateTime m_stamp;
    double m_width, m_height;
    QFont m_body, m_bold, m_title, m_verdict;
    std::unique_ptr<QFontMetricsF> m_metrics;
    double m_line = 0;
    std::vector<double> m_columnX;
    int m_page = 1;
};

} // namespace

bool PaintLines(QPagedPaintDevice& device, const std::vector<PagedLine>& lines,
                const PagedTable& table, const QDateTime& stamp, const PagedProgress& progress) {
    Painter layout(device, table, stamp);
    layout.Run(lines, nullptr, nullptr, 0, {});
    const int pages = layout.Pages();
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool done = layout.Run(lines, &painter, &device, pages, progress);
    painter.end();
    return done;
}

} // namespace vemla
