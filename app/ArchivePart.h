#pragma once
// The measurement archive as the window offers it: the keeper that writes every upload, the
// history window that reads them back, an archived upload opened into the table, and the
// archive's faults told over the window. What the archive keeps and finds is archive/'s.

#include "ArchiveTypes.h"
#include "Texts.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace vemla {

class ArchiveKeeper;
class HistoryDlg;
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
    // The history window, once ShowHistory() has made it; null before.
    HistoryDlg* HistoryWindow() const { return m_historyDlg.get(); }
    // The history window's Export CSV.
    void SetCsvSaver(std::function<void(const UploadDocument&, QWidget* over)> save) {
        m_saveCsv = std::move(save);
    }
    void Retitle(Language language);

private:
    void OpenArchived(qint64 jobId);

    MeterSession& m_session;
    IMessageBox& m_boxes;
    QWidget* m_window;
    std::function<void(const UploadDocument&, QWidget*)> m_saveCsv;
    // The keeper writes; m_archive is the history window's reading connection.
    std::unique_ptr<ArchiveKeeper> m_keeper;
    std::unique_ptr<MeasurementArchive> m_archive;
    std::unique_ptr<HistoryDlg> m_historyDlg;
    std::unique_ptr<ProjectWindow> m_projects;
    QString m_openingMessage; // told once, after the window shows
};

} // namespace vemla
