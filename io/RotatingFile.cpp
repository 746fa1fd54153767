#include "RotatingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

constexpr const char* kStampFormat = "yyyy-MM-dd HH-mm-ss";

} // namespace

QString RotatingFile::NameAfter(const QString& path, const QDateTime& at) {
    static const QRegularExpression stamped(
        QStringLiteral(" ?\\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2}$"));
    const QFileInfo info(path);
    QString stem = info.completeBaseName();
    stem.remove(stamped);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString name = (stem.isEmpty() ? QString() : stem + QLatin1Char(' ')) +
                         at.toString(QLatin1String(kStampFormat)) + suffix;
    return info.dir().filePath(name);
}

off_t RotatingFile::CutPartialLine(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    // Backwards a block at a time: a line is short, the file may be gigabytes.
    std::array<char, 64 * 1024> block{};
    off_t end = st.st_size;
    while (end > 0) {
        const off_t from = std::max<off_t>(0, end - static_cast<off_t>(block.size()));
        const ssize_t n = ::pread(fd, block.data(), static_cast<std::size_t>(end - from), from);
        if (n != end - from)
            return n < 0 ? -1 : (errno = EIO, -1);
        const auto last = std::find(std::make_reverse_iterator(block.data() + n),
                                    std::make_reverse_iterator(block.data()), '\n');
        if (last.base() != block.data()) {
            end = from + (last.base() - block.data());
            break;
        }
        end = from;
    }
    if (end != st.st_size && ::ftruncate(fd, end) != 0)
        return -1;
    return end;
}

QString RotatingFile::ErrorText(Language language) const {
    QString text = WriteFailureText(m_failure, language);
    if (m_cutErrno != 0)
        text += QStringLiteral(" (%1)").arg(qt_error_string(m_cutErrno));
    return text;
}

bool RotatingFile::Fail(WriteFault fault, int errnum, const QString& path) {
    m_failure = {fault, errnum, path};
    Close();
    return false;
}

bool RotatingFile::Open(const QString& path, Mode mode, int64_t atMsecs) {
    Close();
    m_failure = {};
    m_cutErrno = 0;
    m_basePath = path;
    // A folder that cannot be made shows as the system's reason the file cannot be created.
    QDir().mkpath(QFileInfo(path).absolutePath());
    struct stat st {};
    const bool exists = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
    if (mode == Mode::Continue && exists) {
        if (!ContinueFile(path))
            return false;
        // A file from an earlier hour or day is left to it: the next line starts a new one.
        atMsecs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1'000'000;
    } else if (!CreateNumbered(path)) {
        return false;
    }
    m_periodEnd = EndOfPeriod(atMsecs);
    return true;
}

// A file of the same name, perhaps another run's log, is never replaced nor written through if
// it is a link; the new one gets a number instead, as a report does.
bool RotatingFile::CreateNumbered(const QString& path) {
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1; n <= kMaxNumber; ++n) {
        m_path = n == 1 ? path : QStringLiteral("%1 (%2)%3").arg(stem, QString::number(n), suffix);
        m_fd = CreateNew(m_path, &m_failure);
        if (m_fd >= 0)
            break;
        if (m_failure.fault != WriteFault::Exists && m_failure.fault != WriteFault::Link)
            return false; // not a name clash: another number would fail alike
    }
    if (m_fd < 0)
        return false;
    m_failure = {};
    m_size = 0;
    m_linesFrom = 0;
    if (!Write(m_header))
        return false;
    m_linesFrom = m_size;
    return true;
}

bool RotatingFile::ContinueFile(const QString& path) {
    m_path = path;
    m_fd = AppendTo(path, &m_failure);
    if (m_fd < 0)
        return false;
    m_size = CutPartialLine(m_fd);
    if (m_size < 0)
        return Fail(WriteFault::System, errno, path);
    m_linesFrom = 0;
    if (m_size == 0 && !Write(m_header))
        return false;
    m_linesFrom = m_size;
    return true;
}

int64_t RotatingFile::EndOfPeriod(int64_t atMsecs) const {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(atMsecs);
    switch (m_rotation.period) {
    case RotatePeriod::Never:
        break;
    case RotatePeriod::Hour:
        return QDateTime(at.date(), QTime(at.time().hour(), 0)).addSecs(3600).toMSecsSinceEpoch();
    case RotatePeriod::Day:
        return QDateTime(at.date().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    }
    return INT64_MAX;
}

bool RotatingFile::StartNext(int64_t atMsecs) {
    ::close(m_fd);
    m_fd = -1;
    if (!CreateNumbered(NameAfter(m_basePath, QDateTime::fromMSecsSinceEpoch(atMsecs))))
        return false;
    // Later only, so a clock set back a little never splits the log again and again.
    m_periodEnd = std::max(m_periodEnd, EndOfPeriod(atMsecs));
    return true;
}

bool RotatingFile::WriteLine(QByteArrayView line, int64_t atMsecs) {
    if (m_fd < 0)
        return false;
    const bool full = m_rotation.maxBytes > 0 && m_size > m_linesFrom &&
                      m_size + line.size() > m_rotation.maxBytes;
    if ((atMsecs >= m_periodEnd || full) && !StartNext(atMsecs))
        return false;
    return Write(line);
}

bool RotatingFile::Write(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return true;
    if (WriteAll(m_fd, bytes, m_path, &m_failure)) {
        m_size += bytes.size();
        return true;
    }
    // A full disk takes part of the line: the half line goes, so a reader of the log never meets
    // a reading that was never taken. Shrinking needs no room.
    if (::ftruncate(m_fd, m_size) != 0)
        m_cutErrno = errno;
    Close();
    return false;
}

void RotatingFile::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace vemla
