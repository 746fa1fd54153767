#pragma once
// The live monitor's CSV log: one line per reading, written to the kernel as it arrives, so a
// crash loses at most the line being written. An existing file is never overwritten: the new
// log takes the next free number, "Live ... (2).csv". It moves on to a new file each day by
// default ("Live <date> 00-00-00.csv"), or past a size; every file starts with the column line.
//
// Several meters can share one log. It keeps ONE ROW PER READING, with the meter's port and
// serial number as columns, rather than a column per meter: meters are polled at their own
// moments, so a column per meter would need a shared time grid and leave blank cells.
//
// Columns: time (ISO 8601, local with its offset), unix_time (seconds, to the millisecond),
// dBm, mW (both empty for an implausible reading), wavelength_nm, relative_dB (when a reference
// is set), port, serial (empty when not known). The first six are those of the one-meter log
// before the port columns came, in the same order.

#include "LiveSample.h"
#include "RotatingFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace vemla {

class MeterSession;

// Which meter a reading is from.
struct LiveMeterTag {
    QString port;   // as the operator named it: "COM3 (/dev/ttyUSB0)", "/dev/ttyUSB0"
    QString serial; // the adapter's serial number; empty when not known
};

// The session's open port: its name as listed, and the serial number the port list has for it.
LiveMeterTag MeterTagOf(const MeterSession& session);

// "2026-12-08T19:44:05.123+01:00": local time with its offset, so a line stays unambiguous
// across a clock change.
QByteArray LocalTimeText(int64_t msecs);

class LiveLog {
public:
    LiveLog() = default;
    LiveLog(const LiveLog&) = delete;
    LiveLog& operator=(const LiveLog&) = delete;

    // "Live <date> <time>.csv".
    static QString DefaultFileName(const QDateTime& now);

    // Creates the file (or the next numbered one, and its folder) and writes the column line;
    // false with ErrorText() when none can be made. rotation: when to move on to a new file.
    bool Open(const QString& path, const Rotation& rotation = {});
    void Close() { m_file.Close(); }
    bool IsOpen() const { return m_file.IsOpen(); }
    // The file being written (a later one after a rotation).
    QString Path() const { return m_file.Path(); }
    QString ErrorText() const { return m_file.ErrorText(Language::English); }

    // One reading of the meter tagged. wavelength: 0 when not known; reference: the relative
    // reference in dBm, when one is set. False (the file cut back to its last whole line and
    // closed, ErrorText() set) when the line could not be written.
    bool Write(const LiveSample& sample, const LiveMeterTag& meter, int wavelength,
               std::optional<double> reference);
    // One meter whose port is not named: the port and serial columns stay empty.
    bool Write(const LiveSample& sample, int wavelength, std::optional<double> reference) {
        return Write(sample, LiveMeterTag{}, wavelength, reference);
    }

private:
    RotatingFile m_file;
};

} // namespace vemla
