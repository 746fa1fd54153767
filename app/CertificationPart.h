#pragma once
// Loss certification in the main window: the limits in force and the dialog that changes them,
// the judged LOSS and RESULT columns and the summary line under the table while judging is on, a
// reference taken in the live window, and numbered fibre labels for the NOTE cells. Losses,
// limits and verdicts themselves are certify/'s.

#include "Certification.h"
#include "FillSeriesDlg.h"

#include <QObject>
#include <optional>
#include <vector>

class QLabel;
class QPoint;
class QTimer;
class QWidget;

namespace vemla {

class CEditList;
class IMessageBox;
class MeterSession;

class CertificationPart : public QObject {
    Q_OBJECT
public:
    // The summary line and the dialogs belong to `window`; the table shows `session`'s records.
    CertificationPart(MeterSession& session, CEditList& table, IMessageBox& boxes, QWidget* window);

    // The limits kept in the user's settings become the ones in force; Show() shows them.
    void LoadSettings();
    const CertificationSettings& Settings() const { return m_settings; }
    // Kept in the user's settings at once, shown, and announced by Changed().
    void SetSettings(const CertificationSettings& settings);
    // A reading becomes the reference at its wavelength, taken now.
    void TakeReference(int wavelength, double dBm);
    // A reading through the mated test reference cords, judged against the reference at its
    // wavelength and kept with the cords last typed; none without a reference.
    std::optional<CordVerification> VerifyCords(int wavelength, double dBm);

    // The line under the table: per wavelength, the counts and the worst margin; hidden while
    // judging is off. The window places it.
    QLabel* SummaryLine() const { return m_summary; }
    // The judged columns and the summary line, in the session's language.
    void Show();

    // Measure > Loss limits...: window-modal; OK makes its settings the ones in force.
    void OpenLimitsDialog();
    // Measure > References...: the same, for the cords' verification and the reference's checks.
    void OpenReferenceDialog();
    // Numbered labels into the NOTE cells of the selected rows, in table order.
    void FillSeries();

signals:
    void Changed();

private:
    void ScheduleSummary();
    void UpdateSummary();
    void OnTableMenu(const QPoint& at);

    MeterSession& m_session;
    CEditList& m_table;
    IMessageBox& m_boxes;
    QWidget* m_window;
    CertificationSettings m_settings;
    QLabel* m_summary;
    QTimer* m_summaryTimer; // rows arriving redo the summary at most this often
    SeriesPattern m_series;
    QDateTime m_lastReconnect; // the meter last went away or came back: references taken
                               // before it are asked for again
};

} // namespace vemla
