#pragma once
// The measurement table control: a table view over MeasurementModel with the list-view
// operations the window uses, a selected cell the operator edits in place with two clicks,
// and cells drawn by CellDelegate.

#include "MeasurementModel.h"
#include "Texts.h"

#include <QPalette>
#include <QTableView>

namespace vemla {

class CellDelegate;
class CCellEdit;

class CEditList : public QTableView {
    Q_OBJECT
public:
    // records: the list the table shows and edits (the session's); null for one of its own.
    explicit CEditList(QWidget* parent = nullptr, RecordList* records = nullptr);
    ~CEditList() override;

    MeasurementModel& Model() { return m_model; }
    const MeasurementModel& Model() const { return m_model; }

    // Sets the seven captions and the default widths. Rows, their texts and the row selection
    // stay when the number of columns does not change.
    void RebuildColumns(const QStringList& captions);
    // LOSS and RESULT after NOTE while certification is on; see MeasurementModel.
    void ShowCertification(const std::optional<CertificationSettings>& settings, Language language,
                           const QDateTime& now);
    void DeleteAllItems();
    int InsertItem(int row, const QString& text) { return m_model.InsertRow(row, text); }
    bool SetItemText(int row, int column, const QString& text) {
        return m_model.SetText(row, column, text);
    }
    QString GetItemText(int row, int column) const { return m_model.Text(row, column); }
    int GetItemCount() const { return m_model.RowCount(); }
    // The first selected row from the top, -1 when none.
    int GetFirstSelectedRow() const;

    static constexpr std::array<int, kTableColumns> kColumnWidths{60, 80, 100, 100, 100, 150, 150};
    static constexpr std::array<int, 2> kJudgedWidths{80, 160};
    static QStringList ColumnCaptions(Language language);

    // The selected cell. Idle: (-1, -1), not cell-selected, not active. Cell selected: set,
    // cell-selected, active. Cell marked: set, not cell-selected, active. Editing: cell
    // selected with the editor open over it. Deleting rows leaves the indexes as they are.
    int SelectedRow() const { return m_selectedRow; }
    int SelectedColumn() const { return m_selectedColumn; }
    bool IsCellSelected() const { return m_cellSelected; }
    bool IsActive() const { return m_active; }
    bool IsEditing() const { return m_editing; }
    CCellEdit* Editor() const { return m_editor; }
    // The palette the table was given; the view's own copy has its highlight made invisible.
    const QPalette& CellPalette() const { return m_cellPalette; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void updateEditorGeometries() override;

private:
    // Whether the mouse pointer lies inside the table's window rectangle.
    bool IsPointerInside() const;
    void OnLeftButtonDown(QMouseEvent* event);
    void BeginEdit();
    void EndEdit(bool store);
    void CancelEditIfRowsMove(int first);
    void ClearSelection();
    void PlaceEditor();
    void HideRowHighlight();

    MeasurementModel m_model;
    CellDelegate* m_delegate;
    CCellEdit* m_editor;
    QPalette m_cellPalette;
    int m_selectedColumn = -1;
    int m_selectedRow = -1;
    bool m_cellSelected = false;
    bool m_active = false;
    bool m_editing = false;
    bool m_settingPalette = false;
};

} // namespace vemla
