#pragma once
// The live window's row per meter: its port (in its trace's colour), wavelength, last reading,
// minimum, maximum, mean, missed polls and state, with its own Start/Pause and, for every meter
// but the main window's, a wavelength choice and Remove.

#include "LiveMeters.h"
#include "Texts.h"

#include <QTableWidget>
#include <functional>

namespace vemla {

// The monitor's state as its row and the window's status line say it.
QString LiveStatusText(const LiveMonitor& monitor, Language language);

class LiveMeterTable : public QTableWidget {
    Q_OBJECT
public:
    enum Column {
        kPort,
        kWave,
        kCurrent,
        kMinimum,
        kMaximum,
        kMean,
        kMissed,
        kState,
        kRun,
        kRemove
    };
    static constexpr int kColumns = kRemove + 1;

    // shown: a power in dBm as the window's unit shows it for that meter.
    using Shown = std::function<QString(const LiveMeters::Meter&, double dBm)>;

    LiveMeterTable(const LiveMeters& meters, QWidget* parent = nullptr);

    void Retranslate(Language language);
    // A row per meter again, after one was added or removed.
    void Rebuild();
    // Every row's figures and state.
    void ShowValues(const Shown& shown);
    // The row's wavelength list: what the meter offered, the acknowledged one chosen.
    void ShowWaves(int row);
    // Each row's Start/Pause as its meter is, Remove in the language.
    void ShowButtons();

signals:
    void StartPauseClicked(int id);
    void RemoveClicked(int id);
    void WaveChosen(int id, int listIndex);

private:
    void AddRow(int row);
    void ShowButtons(int row);

    const LiveMeters& m_meters;
    Language m_language = Language::Chinese;
};

} // namespace vemla
