#pragma once
// The measurement archive as the window offers it: the keeper that writes every upload, the
// history window that reads them back, an archived upload opened into the table, the archive's
// faults told over the window, and uploads given to projects (the bar's choice once an upload's
// end is kept, or the history's). What the archive keeps and finds is archive/'s.

#include "ArchiveTypes.h"
#include "ProjectLedger.h"
#include "Texts.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace vemla {

class ArchiveKeeper;
class HistoryDlg;
class ProjectBar;
class ProjectStore;
class ProjectWindow;
class IMessageBox;
class MeasurementArchive;
class MeterSession;
struct CertificationSettings;
struct UploadDocument;

class ArchivePart : public QObject {
    Q_OBJECT
public:
    // Boxes and the history window belong to `window`.
    ArchivePart(MeterSession& session, IMessageBox& boxes, QWidget* window);
    ~ArchivePart() override;

    // Keeps every upload in the archive at `path` and lets the history window read it; without
    // this call (a test's window) nothing is kept. The opening's message, if any, waits for
    // TellOpeningMessage().
    ArchiveOpenResult Open(const QString& path);
    // Every upload keeps the limits it was judged with.
    void KeepCertification(const CertificationSettings& settings);
    // The opening's message, once, after the window is on screen.
    void TellOpeningMessage();
    // The archive's last writes, waited for; what it could not take is told over the window.
    void FinishWriting();

    // File > History: made on first use, read again and brought up.
    void ShowHistory();
    // Measure > Projects…: made on first use, read again whenever an upload has ended.
    void ShowProjects();
    ProjectWindow* Projects() const { return m_projects.get(); }
    // The project and direction the next upload is given to; the window places it. Hidden while
    // the archive has no project.
    ProjectBar& Bar() const { return *m_bar; }
    // The history window, once ShowHistory() has made it; null before.
    HistoryDlg* HistoryWindow() const { return m_historyDlg.get(); }
    // The history window's Export CSV.
    void SetCsvSaver(std::function<void(const UploadDocument&, QWidget* over)> save) {
        m_saveCsv = std::move(save);
    }
    void Retitle(Language language);
    // The writer of the archive Open() opened; null before. Its commits nudge the shared sync.
    ArchiveKeeper* Keeper() const { return m_keeper.get(); }

protected:
    // The window shown or activated: projects made meanwhile are listed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Choice {
        QString project;
        Direction direction = Direction::AtoB;
    };

    void OpenArchived(qint64 jobId);
    void ReadProjects();
    void RememberBarChoice();
    void OnUploadBegun(quint64 upload, bool reupload);
    void OnUploadKept(quint64 upload, qint64 job);
    void OnUploadCut(quint64 upload);
    void GiveFromHistory(qint64 job);
    // False when refused, told over `over` with the project and the reason.
    bool Give(qint64 job, const Choice& choice, QWidget* over);

    MeterSession& m_session;
    IMessageBox& m_boxes;
    QWidget* m_window;
    std::function<void(const UploadDocument&, QWidget*)> m_saveCsv;
    // The keeper writes; m_archive is the history window's reading connection.
    std::unique_ptr<ArchiveKeeper> m_keeper;
    std::unique_ptr<MeasurementArchive> m_archive;
    std::unique_ptr<HistoryDlg> m_historyDlg;
    std::unique_ptr<ProjectWindow> m_projects;
    std::unique_ptr<ProjectStore> m_store; // the bar's projects and the giving, on this thread
    ProjectBar* m_bar;                     // the window's child
    std::map<quint64, Choice> m_ties;      // by the keeper's upload number, until kept or cut
    QString m_openingMessage;              // told once, after the window shows
};

} // namespace vemla
