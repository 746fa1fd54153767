#include "FileCommit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <utility>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemla {
namespace {

constexpr int kNameAttempts = 100;
constexpr int kRandomChars = 16;

// A name nobody can guess ahead of us, so no link can be planted where we are about to create.
QByteArray TemporaryName(const QByteArray& name) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray random(kRandomChars, Qt::Uninitialized);
    for (char& c : random)
        c = kAlphabet[QRandomGenerator::system()->bounded(36)];
    return '.' + name + '.' + random + ".tmp";
}

QByteArray NativeName(const QString& path) {
    return QFile::encodeName(QFileInfo(path).fileName());
}

QString FolderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// What stands at an existing name, for a refusal that names the real cause.
WriteFault FaultOfExisting(int folderFd, const char* name) {
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
        return WriteFault::Link;
    return WriteFault::Exists;
}

void SetFailure(WriteFailure* failure, WriteFault fault, int errnum, const QString& path) {
    if (failure)
        *failure = {fault, errnum, path};
}

// Removes what a library may have left in our private folder (only files), then the folder.
void RemoveScratchFolder(int folderFd, const QByteArray& scratch) {
    const int fd =
        ::openat(folderFd, scratch.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* dir = ::fdopendir(fd)) {
            while (const dirent* entry = ::readdir(dir)) {
                const QByteArray name(entry->d_name);
                if (name != "." && name != "..")
                    ::unlinkat(::dirfd(dir), entry->d_name, 0);
            }
            ::closedir(dir);
        } else {
            ::close(fd);
        }
    }
    ::unlinkat(folderFd, scratch.constData(), AT_REMOVEDIR);
}

} // namespace

QString WriteFailureText(const WriteFailure& failure, Language language) {
    const QString path = QDir::toNativeSeparators(failure.path);
    switch (failure.fault) {
    case WriteFault::None:
        return {};
    case WriteFault::Exists:
        return Pick(text::kWriteExists, language).arg(path);
    case WriteFault::Link:
        return Pick(text::kWriteLink, language).arg(path);
    case WriteFault::NotRegular:
        return Pick(text::kWriteNotRegular, language).arg(path);
    case WriteFault::System:
        return Pick(text::kWriteSystem, language).arg(path, qt_error_string(failure.errnum));
    }
    return {};
}

FileCommit::FileCommit(QString target)
    : m_target(std::move(target)), m_folder(FolderOf(m_target)) {}

FileCommit::~FileCommit() {
    if (m_state != State::Done)
        RemoveLeftovers();
    CloseAll();
}

FileCommit::FileCommit(FileCommit&& other) noexcept
    : m_target(std::move(other.m_target)), m_folder(std::move(other.m_folder)),
      m_temporary(std::exchange(other.m_temporary, {})),
      m_scratchFolder(std::exchange(other.m_scratchFolder, {})),
      m_folderFd(std::exchange(other.m_folderFd, -1)), m_fd(std::exchange(other.m_fd, -1)),
      m_state(std::exchange(other.m_state, State::Done)), m_failure(std::move(other.m_failure)) {}

FileCommit& FileCommit::operator=(FileCommit&& other) noexcept {
    if (this != &other) {
        if (m_state != State::Done)
            RemoveLeftovers();
        CloseAll();
        m_target = std::move(other.m_target);
        m_folder = std::move(other.m_folder);
        m_temporary = std::exchange(other.m_temporary, {});
        m_scratchFolder = std::exchange(other.m_scratchFolder, {});
        m_folderFd = std::exchange(other.m_folderFd, -1);
        m_fd = std::exchange(other.m_fd, -1);
        m_state = std::exchange(other.m_state, State::Done);
        m_failure = std::move(other.m_failure);
    }
    return *this;
}

bool FileCommit::Fail(WriteFault fault, int errnum, const QString& path) {
    m_failure = {fault, errnum, path};
    return false;
}

// Everything after this works relative to the folder's descriptor, so the folder cannot be
// swapped for another between creating the file and renaming it.
bool FileCommit::OpenFolder() {
    if (m_state != State::Idle)
        return Fail(WriteFault::System, EBUSY, m_target);
    const QByteArray folder = QFile::encodeName(m_folder);
    m_folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0) {
        m_state = State::Done;
        return Fail(WriteFault::System, errno, m_folder);
    }
    return true;
}

bool FileCommit::Open() {
    if (!OpenFolder())
        return false;
    const QByteArray name = NativeName(m_target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray temporary = TemporaryName(name);
        const int fd = ::openat(m_folderFd, temporary.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = temporary;
            m_state = State::Writing;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    const int error = errno;
    m_state = State::Done;
    return Fail(WriteFault::System, error, m_folder);
}

QString FileCommit::OpenScratchPath() {
    if (!OpenFolder())
        return {};
    QByteArray pattern = QFile::encodeName(m_folder) + "/.vemla-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        m_state = State::Done;
        Fail(WriteFault::System, errno, m_folder);
        return {};
    }
    m_scratchFolder = QFile::encodeName(QFileInfo(QFile::decodeName(pattern)).fileName());
    m_temporary = m_scratchFolder + '/' + NativeName(m_target);
    m_state = State::Scratch;
    return TemporaryPath();
}

bool FileCommit::Write(QByteArrayView bytes) {
    if (m_state != State::Writing)
        return m_failure.fault == WriteFault::None ? Fail(WriteFault::System, EBADF, m_target)
                                                   : false;
    if (WriteAll(m_fd, bytes, m_target, &m_failure))
        return true;
    // Whatever was written is useless now; on a full disk its room is wanted back at once.
    RemoveLeftovers();
    m_state = State::Done;
    return false;
}

// The library wrote by name in our 0700 folder; still, only a regular file that is not a link
// is taken from it.
bool FileCommit::AdoptScratchFile() {
    const QString path = TemporaryPath();
    m_fd = ::openat(m_folderFd, m_temporary.constData(),
                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0)
        return Fail(errno == ELOOP ? WriteFault::Link : WriteFault::System, errno, path);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return Fail(WriteFault::System, errno, path);
    if (!S_ISREG(info.st_mode))
        return Fail(WriteFault::NotRegular, 0, path);
    return true;
}

bool FileCommit::Commit(Replace replace) {
    return CommitAs(m_target, replace);
}

bool FileCommit::CommitAs(const QString& target, Replace replace) {
    if (m_state != State::Writing && m_state != State::Scratch && m_state != State::Placing)
        return m_failure.fault == WriteFault::None ? Fail(WriteFault::System, EBADF, target)
                                                   : false;
    m_failure = {};
    // A rename cannot take the file out of the folder it was made in.
    const bool ready = FolderOf(target) != m_folder
                           ? Fail(WriteFault::System, EXDEV, target)
                           : m_state != State::Scratch || AdoptScratchFile();
    if (ready) {
        m_state = State::Placing;
        if (Place(NativeName(target), target, replace))
            return Finish();
        if (m_failure.fault == WriteFault::Exists && replace == Replace::Never)
            return false; // kept for CommitAs at another name
    }
    RemoveLeftovers();
    CloseAll();
    m_state = State::Done;
    return false;
}

bool FileCommit::Finish() {
    m_state = State::Done;
    m_temporary.clear();
    if (!m_scratchFolder.isEmpty())
        RemoveScratchFolder(m_folderFd, std::exchange(m_scratchFolder, {}));
    // The new name is only durable once the folder is; the file is in place either way.
    if (::fsync(m_folderFd) != 0)
        Fail(WriteFault::System, errno, m_folder);
    CloseAll();
    return m_failure.fault == WriteFault::None;
}

bool FileCommit::Place(const QByteArray& name, const QString& target, Replace replace) {
    if (replace == Replace::RegularFile) {
        // Checked before syncing, so the mode taken over from the replaced file is synced too.
        struct stat info {};
        if (::fstatat(m_folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(info.st_mode))
                return Fail(WriteFault::Link, 0, target);
            if (!S_ISREG(info.st_mode))
                return Fail(WriteFault::NotRegular, 0, target);
            if (::fchmod(m_fd, info.st_mode & 0777) != 0)
                return Fail(WriteFault::System, errno, target);
        } else if (errno != ENOENT) {
            return Fail(WriteFault::System, errno, target);
        }
    }
    if (::fsync(m_fd) != 0)
        return Fail(WriteFault::System, errno, target);
    return replace == Replace::Never ? PlaceNew(name, target) : PlaceOver(name, target);
}

bool FileCommit::PlaceNew(const QByteArray& name, const QString& target) {
    if (::renameat2(m_folderFd, m_temporary.constData(), m_folderFd, name.constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return Fail(FaultOfExisting(m_folderFd, name.constData()), 0, target);
    if (errno != EINVAL && errno != ENOSYS)
        return Fail(WriteFault::System, errno, target);
    // A file system without the no-replace rename: a hard link refuses an existing name (a
    // dangling link included) just the same. Never a copy, which could be seen half written.
    if (::linkat(m_folderFd, m_temporary.constData(), m_folderFd, name.constData(), 0) != 0) {
        if (errno == EEXIST)
            return Fail(FaultOfExisting(m_folderFd, name.constData()), 0, target);
        return Fail(WriteFault::System, errno, target);
    }
    ::unlinkat(m_folderFd, m_temporary.constData(), 0);
    return true;
}

bool FileCommit::PlaceOver(const QByteArray& name, const QString& target) {
    // rename() replaces whatever stands at the name, a link included, without following it; a
    // link that appeared since the check is replaced, never written through.
    if (::renameat(m_folderFd, m_temporary.constData(), m_folderFd, name.constData()) != 0)
        return Fail(WriteFault::System, errno, target);
    return true;
}

void FileCommit::Abort() {
    RemoveLeftovers();
    CloseAll();
    m_state = State::Done;
}

QString FileCommit::TemporaryPath() const {
    if (m_temporary.isEmpty())
        return {};
    return m_folder + QLatin1Char('/') + QFile::decodeName(m_temporary);
}

void FileCommit::RemoveLeftovers() {
    if (m_folderFd < 0)
        return;
    if (!m_scratchFolder.isEmpty())
        RemoveScratchFolder(m_folderFd, m_scratchFolder);
    else if (!m_temporary.isEmpty())
        ::unlinkat(m_folderFd, m_temporary.constData(), 0);
    m_scratchFolder.clear();
    m_temporary.clear();
}

void FileCommit::CloseAll() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_fd = -1;
    m_folderFd = -1;
}

bool CommitBytes(const QString& target, QByteArrayView bytes, Replace replace,
                 WriteFailure* failure) {
    FileCommit file(target);
    const bool ok = file.Open() && file.Write(bytes) && file.Commit(replace);
    if (failure)
        *failure = file.Failure();
    return ok;
}

int CreateNew(const QString& path, WriteFailure* failure) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0666);
    if (fd >= 0)
        return fd;
    const int error = errno;
    if (error == EEXIST) {
        struct stat info {};
        const bool link = ::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode);
        SetFailure(failure, link ? WriteFault::Link : WriteFault::Exists, 0, path);
    } else {
        // The name could not be made: the folder is missing, unwritable or not a folder.
        SetFailure(failure, WriteFault::System, error, FolderOf(path));
    }
    return -1;
}

int AppendTo(const QString& path, WriteFailure* failure) {
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking so that a named pipe without a reader cannot hang the caller. Readable too:
    // the caller looks for a cut last line before it appends.
    const int fd = ::open(native.constData(),
                          O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            SetFailure(failure, WriteFault::Link, 0, path);
        else if (error == ENXIO || error == EISDIR)
            SetFailure(failure, WriteFault::NotRegular, 0, path);
        else
            SetFailure(failure, WriteFault::System, error, path);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        SetFailure(failure, WriteFault::NotRegular, 0, path);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    return fd;
}

bool WriteAll(int fd, QByteArrayView bytes, const QString& path, WriteFailure* failure) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // write() returns 0 for a regular file only when nothing more fits.
            SetFailure(failure, WriteFault::System, n < 0 ? errno : EIO, path);
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace vemla
