#pragma once
// The loss limits dialog: whether readings are judged, the link's budget, the limit and the
// reference at each wavelength. It edits a copy; OK hands the checked copy back, Cancel drops it.

#include "Certification.h"

#include <QDialog>
#include <QFormLayout>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vemla {

class IMessageBox;

// The dialog's figures as typed and shown; shared by its two source files.
namespace limitsdlg {
QString Number(double value);
QString OptionalNumber(const std::optional<double>& value); // empty for none
// None when the text is no number from low to high.
std::optional<double> ParseBounded(const QString& text, double low, double high);
// Renames the settings "custom" when their figures are no longer their preset's own.
void KeepPresetHonest(CertificationSettings& s);
} // namespace limitsdlg

class LimitsDlg : public QDialog {
    Q_OBJECT
public:
    // waves: the wavelengths the meter reported; each gets a row, as does every wavelength
    // the settings already know.
    LimitsDlg(IMessageBox& boxes, const CertificationSettings& settings,
              const std::vector<int>& waves, Language language, QWidget* parent = nullptr);

    // A new reference is dated by this clock; tests set a fixed one.
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // What OK accepted.
    const CertificationSettings& Result() const { return m_result; }

    enum Column { kWave, kKind, kMaxLoss, kAttenuation, kLimit, kReference, kTaken };

public slots:
    void accept() override;

private:
    struct Field {
        QLineEdit* edit;
        const BilingualText* name;
        double low, high;
    };
    QLineEdit* AddField(QFormLayout* form, const BilingualText& name);
    QPushButton* Layout(QFormLayout* form);
    void Fill(const CertificationSettings& settings, const std::vector<int>& waves);
    void AddRow(int wavelength);
    void FillRow(int row);
    void OnPreset(int index);
    // The preset's figures become the operator's own: "custom", and editable.
    void OnCopyToCustom();
    // The chosen preset's edition and source; its figures editable only when custom or typed.
    void ShowPreset();
    // The form's figures into s, or the first bad one's message.
    bool CollectFields(CertificationSettings& s, QString* problem) const;
    // The figures that may be left empty (none): the end connection, the uncertainties.
    bool CollectOptional(CertificationSettings& s, QString* problem) const;
    void OnAddWave();
    void OnCellChanged(int row, int column);
    // The dialog's values, or the first bad one's message.
    std::optional<CertificationSettings> Collect(QString* problem) const;
    void UpdateLimits();
    int RowOf(int wavelength) const;
    QString T(const BilingualText& text) const { return Pick(text, m_language); }

    IMessageBox& m_boxes;
    Language m_language;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    CertificationSettings m_edited; // the preset and the references' times as last set
    CertificationSettings m_result;
    std::vector<int> m_rowWaves;
    bool m_filling = false;

    QCheckBox* m_enabled;
    QComboBox* m_preset;
    QComboBox* m_method;
    QLineEdit* m_length;
    QLineEdit* m_pairs;
    QLineEdit* m_perPair;
    QLineEdit* m_splices;
    QLineEdit* m_perSplice;
    QLineEdit* m_margin;
    QLineEdit* m_staleAfter;
    QLineEdit* m_endConnection;
    QLineEdit* m_meterUncertainty;
    QLineEdit* m_sourceUncertainty;
    QLabel* m_edition;
    QPushButton* m_copy;
    QLineEdit* m_newWave;
    QTableWidget* m_table;
    std::vector<Field> m_fields;
};

} // namespace vemla
