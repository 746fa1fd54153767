#pragma once
// The project window's table: the rows of a project report the filter and the search leave,
// each as every view of a project shows it, and which reading slot a cell stands for.

#include "ProjectReport.h"

#include <QAbstractTableModel>
#include <optional>

namespace vemla {

// A wavelength and direction of the project: the readings a cell of a cable ID's row shows.
struct SlotColumn {
    int wavelength = 0;
    Direction direction = Direction::AtoB;
};

class ProjectTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // filter: 0 all, else the index into Untested, Incomplete, Failed.
    void Show(const ProjectReport* report, int filter, const QString& search);
    // The plan index of a shown row; -1 for none.
    int PlaceAt(int row) const;
    // The shown row of a plan index; -1 when filtered out.
    int RowOf(int place) const;
    // The slot a column shows: a direction's loss, or with one direction the wavelength's
    // loss, margin and result. Elsewhere (the ID, the link, the status) the only slot a row
    // has, when it has one; none otherwise.
    std::optional<SlotColumn> SlotAt(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ProjectReport* m_report = nullptr;
    QStringList m_captions;
    std::vector<int> m_rows;
};

} // namespace vemla
