#pragma once

#include <QStyledItemDelegate>

namespace vemla {

class CEditList;

// Draws every cell of the measurement table itself: the text from the left edge + 6, and for
// the table's selected cell a marker box with a dotted focus frame. Nothing of the view's own
// row highlight or focus rectangle is drawn.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CellDelegate(const CEditList& list, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // From the cell's left + 4 to its left + 10 + the text's width (an empty text counts
    // 41 px), no further than the cell's right edge; the cell's full height.
    static QRect MarkerBox(const QRect& cell, const QFontMetrics& fm, const QString& text);
    // What fits of the text between the cell's left + 6 and its right edge, ellipsis at the end.
    static QString ShownText(const QRect& cell, const QFontMetrics& fm, const QString& text);
    static constexpr int kEmptyTextWidth = 41;

private:
    const CEditList& m_list;
};

} // namespace vemla
