#include "EditList.h"

#include <QHeaderView>
#include <QItemSelectionModel>

namespace vemla {

CEditList::CEditList(QWidget* parent) : QTableView(parent), m_model(this) {
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    // Fixed row heights keep inserting and scrolling tens of thousands of rows cheap.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CEditList::RebuildColumns(const QStringList& captions) {
    m_model.SetCaptions(captions);
    for (int c = 0; c < kTableColumns && c < captions.size(); ++c)
        setColumnWidth(c, kColumnWidths[static_cast<size_t>(c)]);
}

QStringList CEditList::ColumnCaptions(int language) {
    if (language == 0)
        return {QStringLiteral("NUMBER"), QStringLiteral("WAVE LENGTH"),
                QStringLiteral("POWER"),  QStringLiteral("RELATIVE POWER"),
                QStringLiteral("REF"),    QStringLiteral("DATA/TIME"),
                QStringLiteral("NOTE")};
    if (language == 1)
        return {QStringLiteral("序号"),       QStringLiteral("波长"),   QStringLiteral("功率值"),
                QStringLiteral("相对功率值"), QStringLiteral("参考值"), QStringLiteral("日期/时间"),
                QStringLiteral("备注")};
    return {};
}

void CEditList::DeleteAllItems() {
    m_model.Clear();
}

int CEditList::GetFirstSelectedRow() const {
    const QItemSelectionModel* sel = selectionModel();
    if (!sel || !sel->hasSelection())
        return -1;
    int first = -1;
    for (const QItemSelectionRange& range : sel->selection()) {
        if (first < 0 || range.top() < first)
            first = range.top();
    }
    return first;
}

} // namespace vemla
