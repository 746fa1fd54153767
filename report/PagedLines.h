#pragma once
// Lines of text painted page after page with QPainter: titles, label/value fields, headings,
// rows of cells, and a table whose header comes again at the top of every page it runs onto.
// Laid out twice, once to count the pages for the "n / N" footer. No widgets: a command-line
// program paints with it too.

#include <QDateTime>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPagedPaintDevice;

namespace vemla {

struct PagedLine {
    enum class Kind { Title, Field, Text, Heading, Cells, Verdict, Gap, PageBreak, TableRow };
    Kind kind;
    QStringList cells; // a table row's come from the table
    int row = -1;      // a table row's index
};

// A table row's cells are asked for when they are laid out and when they are painted, so a
// table of many rows never holds them all. A cell too wide for its column breaks at its first
// " (" onto a second line (a verdict's stale mark, the directions' flag): never cut there.
struct PagedTable {
    QStringList header;          // painted before the first row and atop each later page
    std::vector<double> columns; // each column's share of the page width; they sum to 1
    std::function<QStringList(int row)> cells;
};

// Told (rows done, rows in all) as pages are painted; returning false cancels.
using PagedProgress = std::function<bool(int done, int total)>;

// Paints on a fresh device; false when cancelled or when the device cannot be painted on. The
// footer shows `stamp` on the left and the page number on the right.
bool PaintLines(QPagedPaintDevice& device, const std::vector<PagedLine>& lines,
                const PagedTable& table, const QDateTime& stamp,
                const PagedProgress& progress = {});

} // namespace vemla
