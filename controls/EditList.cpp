#include "EditList.h"

#include "CellDelegate.h"
#include "CellEdit.h"
#include "TextFit.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace vemla {

CEditList::CEditList(QWidget* parent, RecordList* records)
    : QTableView(parent), m_model(records, this), m_delegate(new CellDelegate(*this, this)),
      m_editor(new CCellEdit(viewport())) {
    setModel(&m_model);
    setItemDelegate(m_delegate);
    m_editor->hide();
    connect(m_editor, &CCellEdit::Finished, this, &CEditList::EndEdit);
    // A reset or a shift of the rows under an open editor would store the typed text into
    // another record's cell; the edit is dropped instead.
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { EndEdit(false); });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int) { CancelEditIfRowsMove(first); });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int) { CancelEditIfRowsMove(first); });
    HideRowHighlight();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    // Editing opens only by the two-click rule below.
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

CEditList::~CEditList() = default;

// Some styles fill a selected row's background before the delegate runs; a transparent
// highlight in the view's own palette keeps the row selection invisible. The delegate and the
// editor use the palette as it was given.
void CEditList::HideRowHighlight() {
    m_cellPalette = palette();
    QPalette hidden = m_cellPalette;
    const QPalette inherited =
        parentWidget() ? parentWidget()->palette() : QApplication::palette(this);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        // Still our own transparent colour after a change of the inherited palette.
        if (m_cellPalette.color(group, QPalette::Highlight).alpha() == 0)
            m_cellPalette.setColor(group, QPalette::Highlight,
                                   inherited.color(group, QPalette::Highlight));
        hidden.setColor(group, QPalette::Highlight, Qt::transparent);
    }
    m_settingPalette = true;
    setPalette(hidden);
    m_editor->setPalette(m_cellPalette);
    m_settingPalette = false;
}

void CEditList::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_settingPalette)
        HideRowHighlight();
}

bool CEditList::IsPointerInside() const {
    return rect().contains(mapFromGlobal(QCursor::pos()));
}

void CEditList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLeftButtonDown(event);
    else
        QTableView::mousePressEvent(event);
}

// The second press of a double click counts as a click of its own.
void CEditList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLeftButtonDown(event);
    else
        QTableView::mouseDoubleClickEvent(event);
}

void CEditList::OnLeftButtonDown(QMouseEvent* event) {
    m_active = true;
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid()) {
        QTableView::mousePressEvent(event); // selects the clicked row
        if (m_cellSelected && hit.row() == m_selectedRow && hit.column() == m_selectedColumn) {
            BeginEdit();
            return;
        }
        m_selectedRow = hit.row();
        m_selectedColumn = hit.column();
        m_cellSelected = true;
    } else {
        if (!m_editing)
            m_cellSelected = false; // the cell stays marked by its focus frame
        QTableView::mousePressEvent(event);
    }
    viewport()->update();
}

void CEditList::BeginEdit() {
    if (m_editing || m_selectedRow < 0 || m_selectedRow >= m_model.RowCount() ||
        m_selectedColumn < 0 || m_selectedColumn >= m_model.columnCount() ||
        !(m_model.flags(m_model.index(m_selectedRow, m_selectedColumn)) & Qt::ItemIsEditable))
        return;
    m_editor->setText(m_model.Text(m_selectedRow, m_selectedColumn));
    m_editing = true;
    PlaceEditor();
    m_editor->show();
    m_editor->setFocus(Qt::MouseFocusReason);
    m_editor->selectAll();
    viewport()->update();
}

// From the cell's left edge + 4 to its right edge; the delegate blanks the cell behind it.
void CEditList::PlaceEditor() {
    const QRect cell = visualRect(m_model.index(m_selectedRow, m_selectedColumn));
    m_editor->setGeometry(cell.left() + 4, cell.top(), std::max(1, cell.width() - 4),
                          cell.height());
}

void CEditList::updateEditorGeometries() {
    QTableView::updateEditorGeometries();
    if (m_editing)
        PlaceEditor();
}

void CEditList::EndEdit(bool store) {
    if (!m_editing)
        return;
    m_editing = false;
    if (store)
        m_model.SetText(m_selectedRow, m_selectedColumn, m_editor->text());
    // Enter or Escape: the table takes the focus back, as a list does after a label edit.
    if (m_editor->hasFocus())
        setFocus(Qt::OtherFocusReason);
    m_editor->hide();
    if (!IsPointerInside())
        ClearSelection();
    viewport()->update();
}

void CEditList::CancelEditIfRowsMove(int first) {
    if (m_editing && first <= m_selectedRow)
        EndEdit(false);
}

void CEditList::ClearSelection() {
    m_active = false;
    m_selectedRow = -1;
    m_selectedColumn = -1;
    m_cellSelected = false;
}

// The list never learns it has the focus, so it shows neither a focus rectangle nor a
// focused selection of its own.
void CEditList::focusInEvent(QFocusEvent*) {}

void CEditList::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    // A context menu is no other window; the focus going to our own editor keeps the cell.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    QWidget* now = QApplication::focusWidget();
    const bool otherWindow = now ? now != m_editor : event->reason() == Qt::ActiveWindowFocusReason;
    if (otherWindow && !IsPointerInside()) {
        ClearSelection();
        viewport()->update();
    }
}

void CEditList::RebuildColumns(const QStringList& captions) {
    m_model.SetCaptions(captions);
    for (int c = 0; c < kTableColumns && c < captions.size(); ++c)
        setColumnWidth(c, kColumnWidths[static_cast<size_t>(c)]);
    FitHeader(horizontalHeader());
}

QStringList CEditList::ColumnCaptions(Language language) {
    QStringList captions;
    for (const BilingualText& column : text::kTableColumnCaptions)
        captions << Pick(column, language);
    return captions;
}

void CEditList::ShowCertification(const std::optional<CertificationSettings>& settings,
                                  Language language, const QDateTime& now) {
    const bool was = m_model.Judging();
    m_model.SetCertification(settings, language, now);
    if (m_model.Judging() && !was) {
        setColumnWidth(MeasurementModel::kLossColumn, kJudgedWidths[0]);
        setColumnWidth(MeasurementModel::kResultColumn, kJudgedWidths[1]);
        FitHeader(horizontalHeader());
    }
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
