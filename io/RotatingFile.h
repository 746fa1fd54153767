#pragma once
// A log that grows a line at a time for days (the live power log, vemla-cli's JSON lines). Each
// line goes to the kernel in one write(2), no buffer of ours, so a killed program loses nothing
// it wrote and leaves at most a cut last line. The log moves on to a new file past a size or at
// the turn of the hour or day; no existing file is ever replaced nor written through a link.

#include "FileCommit.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>

#include <sys/types.h>

namespace vemla {

enum class RotatePeriod { Never, Hour, Day };

struct Rotation {
    int64_t maxBytes = 0; // a file stays within this size, unless one line is larger; 0: no limit
    RotatePeriod period = RotatePeriod::Day; // local time
};

class RotatingFile {
public:
    // New: a new file, "name (2).ext" and so on when the name is taken. Continue: an existing file
    // is continued, after its cut last line if a killed run left one; a missing one is made.
    enum class Mode { New, Continue };
    static constexpr int kMaxNumber = 999;

    RotatingFile() = default;
    ~RotatingFile() { Close(); }
    RotatingFile(const RotatingFile&) = delete;
    RotatingFile& operator=(const RotatingFile&) = delete;

    // Both before Open. The header (a CSV's column line) heads every new file, not an appended one.
    void SetRotation(const Rotation& rotation) { m_rotation = rotation; }
    void SetHeader(QByteArray header) { m_header = std::move(header); }

    // atMsecs: now, the start of the first file's hour or day. False with Failure() set.
    bool Open(const QString& path, Mode mode, int64_t atMsecs);
    // One whole line, '\n' ended, of the time atMsecs (which decides its hour or day). On failure
    // the file is cut back to its last whole line and closed, and Failure() says why.
    bool WriteLine(QByteArrayView line, int64_t atMsecs);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // The file being written; after a failure, the one that failed.
    QString Path() const { return m_path; }
    const WriteFailure& Failure() const { return m_failure; }
    // The failure for the operator, and why the cut line could not be taken back if it could not.
    QString ErrorText(Language language) const;

    // The file after one of path's: a date and time at the end of its name is replaced by at's,
    // or at's is added: "Live 2026-12-08 19-44-05.csv" -> "Live 2026-12-09 00-00-00.csv",
    // "rack.jsonl" -> "rack 2026-12-09 00-00-00.jsonl".
    static QString NameAfter(const QString& path, const QDateTime& at);
    // Cuts what follows the last '\n' of the open file; its size after, or -1 with errno set.
    static off_t CutPartialLine(int fd);

private:
    bool CreateNumbered(const QString& path);
    bool ContinueFile(const QString& path);
    bool StartNext(int64_t atMsecs);
    bool Write(QByteArrayView bytes);
    bool Fail(WriteFault fault, int errnum, const QString& path);
    int64_t EndOfPeriod(int64_t atMsecs) const;

    Rotation m_rotation;
    QByteArray m_header;
    QString m_basePath; // as given to Open: every later name is made from it
    QString m_path;
    int m_fd = -1;
    off_t m_size = 0;      // up to the end of the last whole line
    off_t m_linesFrom = 0; // where the lines begin, after the header
    int64_t m_periodEnd = INT64_MAX;
    WriteFailure m_failure;
    int m_cutErrno = 0; // the failed write's cut line could not be taken back
};

} // namespace vemla
