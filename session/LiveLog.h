#pragma once
// The live monitor's CSV log: one line per reading, written and flushed as it arrives, so a
// crash loses at most the line being written. An existing file is never overwritten.

#include "LiveSample.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <optional>

namespace vemla {

class LiveLog {
public:
    // "Live <date> <time>.csv".
    static QString DefaultFileName(const QDateTime& now);

    // Creates the file (and its folder) and writes the column line; false with ErrorText() when
    // the file exists or cannot be made.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_file.isOpen(); }
    QString Path() const { return m_file.fileName(); }
    QString ErrorText() const { return m_error; }

    // wavelength: 0 when not known; reference: the relative reference in dBm, when one is set.
    // False (the file closed, ErrorText() set) when the line could not be written.
    bool Write(const LiveSample& sample, int wavelength, std::optional<double> reference);

private:
    QFile m_file;
    QString m_error;
};

} // namespace vemla
