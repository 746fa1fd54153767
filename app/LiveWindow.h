#pragma once
// The live power window: modeless, beside the main window. It shows what the monitor reports
// (the trend, the statistics, its own status line) and gives it the operator's choices.

#include "LiveMonitor.h"
#include "PowerDecimator.h"
#include "ReferenceCheck.h"
#include "Texts.h"

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vemla {

class LiveChart;
class MeterSession;

class LiveWindow : public QDialog {
    Q_OBJECT
public:
    enum class Unit { Dbm, Milliwatt, Microwatt, Nanowatt, Relative };
    static constexpr std::array<int64_t, 5> kSpansMsecs{30'000, 120'000, 600'000, 3'600'000, 0};

    LiveWindow(MeterSession& session, QString logFolder, QWidget* parent = nullptr);
    ~LiveWindow() override;

    void Retranslate(Language language);
    LiveMonitor& Monitor() { return m_monitor; }
    LiveChart& Chart() const { return *m_chart; }
    // Asks where to record, starting from the proposed path; empty when the operator declines.
    // Tests answer without a file dialog.
    void SetPathAsker(std::function<QString(const QString& proposed)> asker) {
        m_askPath = std::move(asker);
    }
    // Redraws now what a pending redraw would show.
    void Refresh();
    // Who keeps a reading as the loss reference at a wavelength; without one the button that
    // offers it stays disabled.
    void SetReferenceTaker(std::function<void(int wavelength, double dBm)> taker) {
        m_takeReference = std::move(taker);
        Refresh();
    }

    // Who judges a reading through the mated test reference cords at a wavelength; none when
    // there is no reference to judge it against. Without one the button stays disabled.
    using CordVerifier = std::function<std::optional<CordVerification>(int wavelength, double dBm)>;
    void SetCordVerifier(CordVerifier verifier) {
        m_verifyCords = std::move(verifier);
        Refresh();
    }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnStartPause();
    void OnRecord();
    void OnSample();
    void OnUseAsReference();
    void OnVerifyCords();
    void ShowStatus();
    QString Shown(double dBm) const;
    PowerDecimator::Transform Transform() const;
    QString UnitName() const;

    MeterSession& m_session;
    LiveMonitor m_monitor;
    QString m_logFolder;
    Language m_language = Language::Chinese;
    std::function<QString(const QString&)> m_askPath;
    std::function<void(int, double)> m_takeReference;
    CordVerifier m_verifyCords;
    QTimer m_refresh; // coalesces readings into at most one redraw per period

    QPushButton* m_startPause;
    QComboBox* m_interval;
    QComboBox* m_span;
    QComboBox* m_unit;
    LiveChart* m_chart;
    QPushButton* m_reset;
    QPushButton* m_setReference;
    QPushButton* m_hold;
    QPushButton* m_record;
    QPushButton* m_useAsReference;
    QPushButton* m_verify;
    QLabel* m_status;
    std::array<QLabel*, 9> m_names{};
    std::array<QLabel*, 9> m_values{};
    std::array<QLabel*, 3> m_captions{};
};

} // namespace vemla
