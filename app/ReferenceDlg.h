#pragma once
// Measure > References...: per wavelength the reference held and the test reference cords'
// verification (the mated cords' reading and their IDs, judged as typed), the multimode launch
// cord, the meter's calibration date and after how many readings a new reference is asked for.
// It edits a copy; OK hands the checked copy back, Cancel drops it.

#include "Certification.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace vemla {

class IMessageBox;

class ReferenceDlg : public QDialog {
    Q_OBJECT
public:
    // waves: the wavelengths the meter reported; each gets a row, as does every wavelength with
    // a reference or a verification.
    ReferenceDlg(IMessageBox& boxes, const CertificationSettings& settings,
                 const std::vector<int>& waves, Language language, QWidget* parent = nullptr);

    // A new verification is dated by this clock; tests set a fixed one.
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // What OK accepted.
    const CertificationSettings& Result() const { return m_result; }

    enum Column { kWave, kReference, kTaken, kReading, kCords, kResult };

public slots:
    void accept() override;

private:
    void AddRow(int row, int wavelength);
    void ShowResult(int row);
    // The dialog's values, or the first bad one's message.
    std::optional<ReferenceWorkflow> Collect(QString* problem) const;
    QString T(const BilingualText& text) const { return Pick(text, m_language); }

    IMessageBox& m_boxes;
    Language m_language;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    CertificationSettings m_result;
    std::vector<int> m_rowWaves;
    std::vector<QLineEdit*> m_readings;
    std::vector<QLineEdit*> m_cords;

    QTableWidget* m_table;
    QComboBox* m_launch;
    QLineEdit* m_calibration;
    QSpinBox* m_renew;
};

} // namespace vemla
