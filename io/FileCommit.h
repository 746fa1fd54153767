#pragma once
// The one way Vemla writes a file. A file that replaces or adds a name is written under an
// unpredictable temporary name in the target's own folder, every write's count checked, synced,
// and only then renamed to its name; a symbolic link at the name is never followed nor written
// through. A log that grows line by line is created new (never through a link) and appended to.

#include "Texts.h"

#include <QByteArrayView>
#include <QString>

namespace vemla {

enum class WriteFault { None, Exists, Link, NotRegular, System };

struct WriteFailure {
    WriteFault fault = WriteFault::None;
    int errnum = 0; // errno for System (ENOSPC, EFBIG, EIO, EACCES, ENOENT, ENOTDIR...)
    QString path;   // the file or folder concerned
};

// One sentence for the operator that names the real cause; empty for WriteFault::None.
QString WriteFailureText(const WriteFailure& failure, Language language);

enum class Replace { Never, RegularFile };

// Movable, not copyable; the destructor removes whatever was not committed.
class FileCommit {
public:
    explicit FileCommit(QString target);
    ~FileCommit();
    FileCommit(FileCommit&& other) noexcept;
    FileCommit& operator=(FileCommit&& other) noexcept;
    FileCommit(const FileCommit&) = delete;
    FileCommit& operator=(const FileCommit&) = delete;

    // Creates "<folder>/.<target name>.<16 random [a-z0-9]>.tmp" exclusively, never through a
    // link; the umask decides its mode as for any new file.
    bool Open();
    // Every byte or a failure; after a failure every later call fails.
    bool Write(QByteArrayView bytes);
    // For a writer that streams (QFile::open(fd, ..., DontCloseHandle)); -1 when not open.
    int Descriptor() const { return m_fd; }
    // Instead of Open(), for a library that only writes by file name: a private folder
    // "<folder>/.vemla-XXXXXX" (0700) and the path "<that folder>/<target name>" in it for the
    // library to write. Empty on failure.
    QString OpenScratchPath();
    // Syncs the file and places it at the target (CommitAs: at another name in the same
    // folder, such as "Report (2).xlsx" after Exists). On failure nothing is left behind and the
    // target is unchanged, except that after Exists with Replace::Never the written file stays
    // so that CommitAs can try another name.
    bool Commit(Replace replace);
    bool CommitAs(const QString& target, Replace replace);
    // Removes the temporary file (and private folder) now.
    void Abort();
    const WriteFailure& Failure() const { return m_failure; }
    QString TemporaryPath() const;

private:
    enum class State { Idle, Writing, Scratch, Placing, Done };

    bool Fail(WriteFault fault, int errnum, const QString& path);
    bool OpenFolder();
    bool AdoptScratchFile();
    bool Place(const QByteArray& name, const QString& target, Replace replace);
    bool PlaceNew(const QByteArray& name, const QString& target);
    bool PlaceOver(const QByteArray& name, const QString& target);
    bool Finish();
    void RemoveLeftovers();
    void CloseAll();

    QString m_target;
    QString m_folder;
    QByteArray m_temporary;     // the written file, relative to the folder
    QByteArray m_scratchFolder; // the private folder, relative to the folder; empty without one
    int m_folderFd = -1;
    int m_fd = -1;
    State m_state = State::Idle;
    WriteFailure m_failure;
};

// Open, Write and Commit in one call. failure may be null.
bool CommitBytes(const QString& target, QByteArrayView bytes, Replace replace,
                 WriteFailure* failure);

// For logs that grow line by line and are never renamed. CreateNew makes a new file (mode 0666
// less the umask) opened for appending; AppendTo opens an existing regular file for appending
// (and reading).
// Neither follows a link at the name. -1 with *failure set on failure.
int CreateNew(const QString& path, WriteFailure* failure);
int AppendTo(const QString& path, WriteFailure* failure);
// Every byte or a failure, as FileCommit::Write; syncing is the caller's choice.
bool WriteAll(int fd, QByteArrayView bytes, const QString& path, WriteFailure* failure);

} // namespace vemla
