#include "IniFile.h"

#include "FileCommit.h"

#include <QFile>

#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

struct Line {
    qsizetype begin; // first byte of the line
    qsizetype end;   // one past its last byte, before the line ending
    qsizetype next;  // first byte of the following line
};

std::vector<Line> SplitLines(const QByteArray& text) {
    std::vector<Line> lines;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        qsizetype j = i;
        while (j < n && text[j] != '\n' && text[j] != '\r')
            ++j;
        qsizetype next = j;
        if (next < n && text[next] == '\r')
            ++next;
        if (next < n && text[next] == '\n' && (next == j || text[j] == '\r'))
            ++next;
        lines.push_back({i, j, next});
        i = next;
    }
    return lines;
}

QByteArray Body(const QByteArray& text, const Line& l) {
    return text.mid(l.begin, l.end - l.begin);
}

// The section name of a "[name]" line, if it is one.
std::optional<QByteArray> SectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool IsComment(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t.startsWith(';') || t.startsWith('#');
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Index of the key's line within its section, and the range of the section's lines.
struct Where {
    std::optional<size_t> header;
    std::optional<size_t> keyLine;
    size_t lastContent = 0; // last non-blank line of the section (or its header)
};

Where Find(const QByteArray& text, const std::vector<Line>& lines, const QByteArray& section,
           const QByteArray& key) {
    Where w;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArray body = Body(text, lines[i]);
        if (const auto name = SectionName(body)) {
            if (inSection)
                break; // the first matching section is the one used
            inSection = SameName(*name, section);
            if (inSection) {
                w.header = i;
                w.lastContent = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!body.trimmed().isEmpty())
            w.lastContent = i;
        if (IsComment(body))
            continue;
        const qsizetype eq = body.indexOf('=');
        if (eq >= 0 && SameName(body.left(eq), key) && !w.keyLine)
            w.keyLine = i;
    }
    return w;
}

// The line ending the file already uses, so added lines match it.
QByteArray LineEnding(const QByteArray& text, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        if (l.next > l.end)
            return text.mid(l.end, l.next - l.end);
    }
    return "\n";
}

enum class FileState { Absent, Regular, Unusable };

struct FileContents {
    FileState state = FileState::Unusable;
    QByteArray bytes;
};

// Only a regular file of at most `limit` bytes is ours. It is opened without blocking, so a
// named pipe of that name cannot hang the caller, and read no further than the bound, whatever
// its size claims (a link to /dev/zero claims 0 and never ends).
FileContents ReadRegularFile(const QString& path, qint64 limit) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENOENT ? FileState::Absent : FileState::Unusable, {}};
    FileContents result;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= limit) {
        QByteArray bytes(limit + 1, Qt::Uninitialized);
        qint64 got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0 && got <= limit)
                    result = {FileState::Regular, bytes.left(got)};
                break;
            }
            got += n;
        }
    }
    ::close(fd);
    return result;
}

} // namespace

std::optional<QByteArray> IniValue(const QByteArray& text, const QByteArray& section,
                                   const QByteArray& key) {
    const std::vector<Line> lines = SplitLines(text);
    const Where w = Find(text, lines, section, key);
    if (!w.keyLine)
        return std::nullopt;
    const QByteArray body = Body(text, lines[*w.keyLine]);
    return body.mid(body.indexOf('=') + 1).trimmed();
}

QByteArray IniWithValue(const QByteArray& text, const QByteArray& section, const QByteArray& key,
                        const QByteArray& value) {
    const std::vector<Line> lines = SplitLines(text);
    const Where w = Find(text, lines, section, key);
    const QByteArray eol = LineEnding(text, lines);
    if (w.keyLine) {
        const Line& l = lines[*w.keyLine];
        const QByteArray body = Body(text, l);
        // Keep the key and its spacing as the author wrote them; only the value changes.
        qsizetype valueStart = body.indexOf('=') + 1;
        while (valueStart < body.size() && (body[valueStart] == ' ' || body[valueStart] == '\t'))
            ++valueStart;
        QByteArray out = text.left(l.begin);
        out += body.left(valueStart);
        out += value;
        out += text.mid(l.end);
        return out;
    }
    const QByteArray entry = key + '=' + value;
    if (w.header) {
        const Line& after = lines[w.lastContent];
        QByteArray out = text.left(after.next);
        if (after.next == after.end)
            out += eol; // the section's last line had no ending
        out += entry + eol;
        out += text.mid(after.next);
        return out;
    }
    QByteArray out = text;
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
        out += eol;
    out += '[' + section + ']' + eol + entry + eol;
    return out;
}

QByteArray IniFile::Read(const QByteArray& section, const QByteArray& key) const {
    const FileContents file = ReadRegularFile(m_path, kMaxSize);
    if (file.state != FileState::Regular)
        return {};
    return IniValue(file.bytes, section, key).value_or(QByteArray());
}

bool IniFile::Write(const QByteArray& section, const QByteArray& key,
                    const QByteArray& value) const {
    const FileContents file = ReadRegularFile(m_path, kMaxSize);
    if (file.state == FileState::Unusable)
        return false; // not ours to replace: a pipe, a device, a folder, or too large
    const QByteArray& text = file.bytes;
    const QByteArray updated = IniWithValue(text, section, key, value);
    if (file.state == FileState::Regular && updated == text)
        return true;
    // Written beside the file and renamed over it, so a failure never leaves half a file. A
    // link at the name is read through, as above, but never written through.
    return CommitBytes(m_path, updated, Replace::RegularFile, nullptr);
}

} // namespace vemla
