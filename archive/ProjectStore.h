#pragma once
// Projects in the archive: each project's particulars and rules, its plan of cable IDs, the
// uploads tied to it and every reading given to a cable ID, and a history of every change (who,
// when, what). Its own connection on an archive file that MeasurementArchive has opened, so the
// project window and the command line read and change projects beside the upload writer.

#include "ProjectReport.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace vemla {

struct StoredProject {
    qint64 id = 0;
    ProjectInfo info;
    std::vector<int> waves; // expected, e.g. 850 and 1300, or 1310 and 1550
    bool bothDirections = false;
};

struct ProjectChange {
    QDateTime at;
    QString user;
    QString what; // e.g. "rename B1-J17 to B1-J17A"
};

inline constexpr qsizetype kMaxProjectText = 1000; // name, customer, site, notes

class ProjectStore {
public:
    ProjectStore();
    ~ProjectStore();
    ProjectStore(const ProjectStore&) = delete;
    ProjectStore& operator=(const ProjectStore&) = delete;

    // False with the reason when the file cannot be opened or predates projects.
    bool Open(const QString& path, QString* error);

    std::vector<StoredProject> Projects() const; // by name
    std::optional<StoredProject> Find(const QString& name) const;

    // Every change is one transaction: false with the reason, in `language`, and nothing written
    // when any part is refused (a name taken, a plan AddToPlan refuses, a busy file).
    bool Create(StoredProject& project, const std::vector<CableLink>& plan, Language language,
                QString* error);
    bool AddCables(qint64 project, const std::vector<CableLink>& added, Language language,
                   QString* error);
    // A cable ID renamed or its values changed; the readings stay with it.
    bool EditCable(qint64 project, int place, const CableLink& changed, Language language,
                   QString* error);

    // The plan and every reading given to it, each as its upload's record decoded again.
    std::optional<ProjectLedger> Ledger(const StoredProject& project) const;
    // The latest version of an archived upload given to the project in a direction, by the
    // ledger's rules (NOTE, else plan order); an upload is tied to one project once.
    bool Tie(const StoredProject& project, qint64 job, Direction direction, Language language,
             QString* error);
    // The operator's corrections, as ProjectLedger's.
    bool Move(const StoredProject& project, int from, int to, int wavelength, Direction direction,
              Language language, QString* error);
    bool Clear(const StoredProject& project, int place, int wavelength, Direction direction,
               Language language, QString* error);
    bool Choose(const StoredProject& project, int place, int wavelength, Direction direction,
                int reading, Language language, QString* error);

    // Reverts the latest change not yet undone (a correction, an edit, a tie; a plan made or
    // added to is kept) in one transaction: readings come back under their own ids, so their
    // order and the chosen one are as before. Logged as "undo <what>"; it is not undone again.
    // Refused, with nothing written, when there is nothing to undo or the file is busy.
    bool Undo(const StoredProject& project, Language language, QString* error);
    // What Undo would undo, e.g. "clear 1310 nm A→B of J03"; empty when nothing.
    QString UndoableChange(const StoredProject& project) const;

    std::vector<ProjectChange> History(qint64 project) const; // oldest first

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vemla
