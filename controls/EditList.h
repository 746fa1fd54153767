#pragma once
// The measurement table control: a table view over MeasurementModel with the list-view
// operations the window uses.

#include "MeasurementModel.h"

#include <QTableView>

namespace vemla {

class CEditList : public QTableView {
    Q_OBJECT
public:
    explicit CEditList(QWidget* parent = nullptr);

    MeasurementModel& Model() { return m_model; }
    const MeasurementModel& Model() const { return m_model; }

    // Removes every column and inserts the seven with the given captions and their widths.
    void RebuildColumns(const QStringList& captions);
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
    // Column captions: language 0 English, 1 Chinese; empty for any other value.
    static QStringList ColumnCaptions(int language);

private:
    MeasurementModel m_model;
};

} // namespace vemla
