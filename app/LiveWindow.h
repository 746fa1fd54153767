#pragma once
// The live power window: modeless, beside the main window. It shows what the monitors report
// (a trend per meter on one chart, a row of figures per meter, the first meter's statistics and
// its own status line) and gives them the operator's choices. The main window's meter comes
// first; the operator adds others by port.

#include "LiveMeters.h"
#include "LivePowerUnit.h"
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
class QMenu;
class QPushButton;

namespace vemla {

class LiveChart;
class LiveMeterTable;
class MeterSession;

class LiveWindow : public QDialog {
    Q_OBJECT
public:
    using Unit = LiveUnit;
    static constexpr std::array<int64_t, 5> kSpansMsecs{30'000, 120'000, 600'000, 3'600'000, 0};

    LiveWindow(MeterSession& session, QString logFolder, QWidget* parent = nullptr);
    ~LiveWindow() override;

    void Retranslate(Language language);
    // The main window's meter's monitor.
    LiveMonitor& Monitor() { return m_meters.First(); }
    LiveMeters& Meters() { return m_meters; }
    LiveChart& Chart() const { return *m_chart; }
    // Wall-clock time of every meter's readings; tests give a fixed one.
    void SetClock(std::function<int64_t()> clock) { m_meters.SetClock(std::move(clock)); }
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
    void PlaceControls();
    void ConnectControls();
    void ConnectMeters();
    void OnStartPause();
    void OnStartPauseMeter(int id);
    void OnRecord();
    void OnSample();
    void OnUseAsReference();
    void OnVerifyCords();
    void OnSetReference();
    void ShowPortMenu();
    void AddMeter(const PortEntry& port);
    void ShowStatus();
    void ShowStartPause();
    void ShowFirstMeter();
    void RedrawChart();
    LivePowerUnit UnitFor(const LiveMonitor& monitor) const;
    bool AnyRunning() const;

    MeterSession& m_session;
    LiveMeters m_meters;
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
    // After the controls above, so their order among the window's children stays as it was.
    QPushButton* m_addMeter;
    QMenu* m_portMenu;
    LiveMeterTable* m_table;
    std::array<QLabel*, 9> m_names{};
    std::array<QLabel*, 9> m_values{};
    std::array<QLabel*, 3> m_captions{};
};

} // namespace vemla
