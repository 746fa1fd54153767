#include "CellDelegate.h"

#include "EditList.h"

#include <QPainter>

namespace vemla {

CellDelegate::CellDelegate(const CEditList& list, QObject* parent)
    : QStyledItemDelegate(parent), m_list(list) {}

QRect CellDelegate::MarkerBox(const QRect& cell, const QFontMetrics& fm, const QString& text) {
    const int width = text.isEmpty() ? kEmptyTextWidth : fm.horizontalAdvance(text);
    const int left = cell.left() + 4;
    // 64-bit: a text of thousands of wide glyphs must not wrap the right edge around.
    const qint64 right =
        std::min<qint64>(qint64(cell.left()) + 10 + width, qint64(cell.left()) + cell.width());
    return {left, cell.top(), int(std::max<qint64>(0, right - left)), cell.height()};
}

QString CellDelegate::ShownText(const QRect& cell, const QFontMetrics& fm, const QString& text) {
    return fm.elidedText(text, Qt::ElideRight, std::max(0, cell.width() - 6));
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const QRect cell = option.rect;
    const QPalette& pal = m_list.CellPalette();
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    const bool isSelectedCell =
        index.row() == m_list.SelectedRow() && index.column() == m_list.SelectedColumn();
    painter->save();
    if (isSelectedCell && m_list.IsEditing()) {
        // The editor covers the cell from left + 4; the old text must not show around it.
        painter->fillRect(cell, pal.color(group, QPalette::Base));
        painter->restore();
        return;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    QColor textColour = pal.color(group, QPalette::Text);
    if (isSelectedCell && m_list.IsActive()) {
        const QRect box = MarkerBox(cell, option.fontMetrics, text);
        QColor frameColour = textColour;
        if (m_list.IsCellSelected()) {
            painter->fillRect(box, pal.color(group, QPalette::Highlight));
            textColour = frameColour = pal.color(group, QPalette::HighlightedText);
        }
        if (!box.isEmpty()) {
            painter->setPen(QPen(frameColour, 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
    if (!text.isEmpty()) {
        const QRect textRect(cell.left() + 6, cell.top(), std::max(0, cell.width() - 6),
                             cell.height());
        painter->setPen(textColour);
        painter->setFont(option.font);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          ShownText(cell, option.fontMetrics, text));
    }
    painter->restore();
}

} // namespace vemla
