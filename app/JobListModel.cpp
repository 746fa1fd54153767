#include "JobListModel.h"

namespace vemla {

void JobListModel::SetJobs(std::vector<ArchivedJob> jobs) {
    beginResetModel();
    m_jobs = std::move(jobs);
    endResetModel();
}

void JobListModel::SetLanguage(Language language) {
    m_language = language;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

const ArchivedJob* JobListModel::JobAt(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    return &m_jobs[static_cast<std::size_t>(row)];
}

int JobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_jobs.size());
}

int JobListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(text::kHistoryColumns.size());
}

QString JobListModel::BeganText(const ArchivedJob& job) {
    return job.began.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QVariant JobListModel::data(const QModelIndex& index, int role) const {
    const ArchivedJob* job = JobAt(index.row());
    if (!job || role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return BeganText(*job);
    case 1:
        return job->device;
    case 2:
        // An upload cut before the meter's end reply holds only what came: said beside the count.
        if (job->interrupted)
            return QString::number(job->recordCount) + Pick(text::kHistoryInterrupted, m_language);
        return job->recordCount;
    case 3:
        return job->versionCount;
    case 4:
        return job->company;
    case 5:
        return job->testOperator;
    case 6:
        return job->notes;
    case 7:
        return job->project;
    default:
        return {};
    }
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return Pick(text::kHistoryColumns[static_cast<std::size_t>(section)], m_language);
}

} // namespace vemla
