#pragma once
// The history window's list: one row per archived upload (job), newest first, as the archive
// returns them. A job with several versions shows once, with its version count.

#include "ArchiveTypes.h"
#include "Texts.h"

#include <QAbstractTableModel>
#include <vector>

namespace vemla {

class JobListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetJobs(std::vector<ArchivedJob> jobs);
    void SetLanguage(Language language);
    // Null for a row that does not exist.
    const ArchivedJob* JobAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static QString BeganText(const ArchivedJob& job);

private:
    std::vector<ArchivedJob> m_jobs;
    Language m_language = Language::Chinese;
};

} // namespace vemla
