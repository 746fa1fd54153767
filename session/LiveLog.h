#pragma once
// The live monitor's CSV log: one line per reading, written and flushed as it arrives, so a
// crash loses at most the line being written. An existing file is never overwritten: the new
// log takes the next free number, "Live ... (2).csv".

#include "LiveSample.h"

#include <QDateTime>
#include <QString>
#include <optional>

#include <sys/types.h>

namespace vemla {

class LiveLog {
public:
    LiveLog() = default;
    ~LiveLog() { Close(); }
    LiveLog(const LiveLog&) = delete;
    LiveLog& operator=(const LiveLog&) = delete;

    // "Live <date> <time>.csv".
    static QString DefaultFileName(const QDateTime& now);

    static constexpr int kMaxNumber = 999;

    // Creates the file (or the next numbered one, and its folder) and writes the column line;
    // false with ErrorText() when none can be made.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    QString Path() const { return m_path; }
    QString ErrorText() const { return m_error; }

    // wavelength: 0 when not known; reference: the relative reference in dBm, when one is set.
    // False (the file cut back to its last whole line and closed, ErrorText() set) when the line
    // could not be written.
    bool Write(const LiveSample& sample, int wavelength, std::optional<double> reference);

private:
    bool WriteLine(const QByteArray& line);

    int m_fd = -1;
    off_t m_whole = 0; // the file's size up to the end of its last whole line
    QString m_path;
    QString m_error;
};

} // namespace vemla
