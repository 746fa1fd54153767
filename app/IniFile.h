#pragma once
// A small INI editor that reads and writes one key and leaves every other byte of the file as it
// was: other sections and keys, comments, blank lines and line endings.

#include <QByteArray>
#include <QString>
#include <optional>

namespace vemla {

// Pure text operations, so the rules are tested without files.
// Section and key names compare case-insensitively and ignore surrounding blanks; the value is
// what follows the first '=' with surrounding blanks removed.
std::optional<QByteArray> IniValue(const QByteArray& text, const QByteArray& section,
                                   const QByteArray& key);
// Returns the text with the key set to value: the key's line replaced in place, or a new line
// added at the end of the section, or a new section appended.
QByteArray IniWithValue(const QByteArray& text, const QByteArray& section, const QByteArray& key,
                        const QByteArray& value);

class IniFile {
public:
    explicit IniFile(QString path) : m_path(std::move(path)) {}
    // Empty when the file, section or key is missing or the file cannot be read.
    QByteArray Read(const QByteArray& section, const QByteArray& key) const;
    // Replaces the file in one step; on any failure the file is left untouched. Returns success.
    bool Write(const QByteArray& section, const QByteArray& key, const QByteArray& value) const;
    const QString& Path() const { return m_path; }

    // Larger files are not ours; they are neither parsed nor rewritten.
    static constexpr qint64 kMaxSize = 1 << 20;

private:
    QString m_path;
};

} // namespace vemla
