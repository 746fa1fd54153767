// The one write path: what happens at the target's name (links, files, folders), what is left
// in the folder afterwards (nothing of ours, everything of others unchanged), the modes the
// umask gives, a full disk and a folder we may not write. The writers that use it (the INI file,
// the live log) test only what they add.
#include "FileCommit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vemla {
namespace {

const QByteArray kBytes = QByteArray("new contents\n").repeated(100);
const QByteArray kVictim("the victim's own bytes\n");
constexpr uid_t kNobody = 65534;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.close();
    ASSERT_EQ(::chmod(Native(path).constData(), mode), 0);
}

// Every entry of a folder, by name: its kind, mode and bytes (or link target, or listing).
using Listing = std::map<std::string, std::string>;

std::string Describe(const QString& path) {
    struct stat info {};
    if (::lstat(Native(path).constData(), &info) != 0)
        return "absent";
    const std::string mode = std::to_string(info.st_mode & 07777);
    if (S_ISLNK(info.st_mode))
        return "link to " + QFile::symLinkTarget(path).toStdString();
    if (S_ISDIR(info.st_mode))
        return "folder " + mode + " [" +
               QDir(path)
                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                   .join(',')
                   .toStdString() +
               "]";
    if (!S_ISREG(info.st_mode))
        return "special " + mode;
    return "file " + mode + " " +
           QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256)
               .toHex()
               .toStdString();
}

std::string FileWith(mode_t mode, const QByteArray& bytes) {
    return "file " + std::to_string(mode) + " " +
           QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

Listing List(const QString& folder) {
    Listing listing;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        listing[name.toStdString()] = Describe(dir.filePath(name));
    return listing;
}

// Runs body in a child process and returns its exit status, so a changed user, umask or file
// size limit never touches the test process.
int InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_old(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_old); }

private:
    mode_t m_old;
};

// The two ways a file is written: streamed through Write, or by name by a library.
enum class Via { Stream, Scratch };

const char* NameOf(Via via) {
    return via == Via::Stream ? "stream" : "scratch";
}

bool WriteVia(FileCommit& file, Via via, const QByteArray& bytes) {
    if (via == Via::Stream)
        return file.Open() && file.Write(bytes);
    const QString path = file.OpenScratchPath();
    if (path.isEmpty())
        return false;
    QFile out(path); // as a library would: by name
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush();
}

// What stands at (or instead of) the target before the write.
enum class AtName { Nothing, DanglingLink, LinkToFile, File0640, Folder, NoFolder, FileAsFolder };

struct Work {
    QTemporaryDir root;
    QString folder = root.filePath("work");
    QString victim = root.filePath("work/victim.txt");
    QString target = root.filePath("work/Report.xlsx");
};

void Prepare(Work& w, AtName setup) {
    ASSERT_TRUE(QDir().mkpath(w.folder));
    WriteFile(w.victim, kVictim);
    const QByteArray target = Native(w.target);
    switch (setup) {
    case AtName::Nothing:
        break;
    case AtName::DanglingLink:
        ASSERT_EQ(
            ::symlink(Native(w.root.filePath("nowhere.xlsx")).constData(), target.constData()), 0);
        break;
    case AtName::LinkToFile:
        ASSERT_EQ(::symlink(Native(w.victim).constData(), target.constData()), 0);
        break;
    case AtName::File0640:
        WriteFile(w.target, "old contents\n", 0640);
        break;
    case AtName::Folder:
        ASSERT_TRUE(QDir().mkpath(w.target));
        break;
    case AtName::NoFolder:
        w.target = w.root.filePath("work/missing/Report.xlsx");
        break;
    case AtName::FileAsFolder:
        WriteFile(w.root.filePath("work/plain"), "plain\n");
        w.target = w.root.filePath("work/plain/Report.xlsx");
        break;
    }
}

TEST(FileCommit, WhatStandsAtTheNameDecidesAndNothingElseInTheFolderChanges) {
    struct Case {
        const char* name;
        AtName setup;
        Replace replace;
        WriteFault fault;
        int errnum;
        mode_t mode; // of the committed file
    };
    const std::vector<Case> cases{
        {"new name, never", AtName::Nothing, Replace::Never, WriteFault::None, 0, 0644},
        {"new name, replace", AtName::Nothing, Replace::RegularFile, WriteFault::None, 0, 0644},
        {"dangling link, never", AtName::DanglingLink, Replace::Never, WriteFault::Link, 0, 0},
        {"dangling link, replace", AtName::DanglingLink, Replace::RegularFile, WriteFault::Link, 0,
         0},
        {"link to a file, never", AtName::LinkToFile, Replace::Never, WriteFault::Link, 0, 0},
        {"link to a file, replace", AtName::LinkToFile, Replace::RegularFile, WriteFault::Link, 0,
         0},
        {"file, never", AtName::File0640, Replace::Never, WriteFault::Exists, 0, 0},
        {"file 0640, replace", AtName::File0640, Replace::RegularFile, WriteFault::None, 0, 0640},
        {"folder, never", AtName::Folder, Replace::Never, WriteFault::Exists, 0, 0},
        {"folder, replace", AtName::Folder, Replace::RegularFile, WriteFault::NotRegular, 0, 0},
        {"no folder", AtName::NoFolder, Replace::Never, WriteFault::System, ENOENT, 0},
        {"file as folder", AtName::FileAsFolder, Replace::RegularFile, WriteFault::System, ENOTDIR,
         0},
    };
    const UmaskScope mask(022);
    for (const Case& c : cases) {
        for (const Via via : {Via::Stream, Via::Scratch}) {
            SCOPED_TRACE(std::string(c.name) + ", " + NameOf(via));
            Work w;
            Prepare(w, c.setup);
            const Listing before = List(w.folder);
            WriteFailure failure;
            {
                FileCommit file(w.target);
                const bool ok = WriteVia(file, via, kBytes) && file.Commit(c.replace);
                failure = file.Failure();
                EXPECT_EQ(ok, c.fault == WriteFault::None);
                if (c.fault != WriteFault::Exists && !ok) { // cleaned at once, not at the end
                    EXPECT_EQ(List(w.folder), before);
                }
            }
            EXPECT_EQ(failure.fault, c.fault);
            EXPECT_EQ(failure.errnum, c.errnum);
            if (c.fault != WriteFault::None) {
                const bool folderFault = c.fault == WriteFault::System;
                EXPECT_EQ(failure.path, folderFault ? QFileInfo(w.target).path() : w.target);
            }
            Listing expected = before;
            if (c.fault == WriteFault::None)
                expected["Report.xlsx"] = FileWith(c.mode, kBytes);
            EXPECT_EQ(List(w.folder), expected);
        }
    }
}

TEST(FileCommit, ExistsKeepsTheWrittenFileForAnotherName) {
    const UmaskScope mask(022);
    for (const Via via : {Via::Stream, Via::Scratch}) {
        SCOPED_TRACE(NameOf(via));
        Work w;
        Prepare(w, AtName::File0640);
        const Listing before = List(w.folder);
        FileCommit file(w.target);
        ASSERT_TRUE(WriteVia(file, via, kBytes));
        EXPECT_FALSE(file.Commit(Replace::Never));
        EXPECT_EQ(file.Failure().fault, WriteFault::Exists);
        EXPECT_EQ(List(w.folder).size(), before.size() + 1); // the written file, waiting
        ASSERT_TRUE(file.CommitAs(w.root.filePath("work/Report (2).xlsx"), Replace::Never));
        Listing expected = before;
        expected["Report (2).xlsx"] = FileWith(0644, kBytes);
        EXPECT_EQ(List(w.folder), expected);
    }
}

TEST(FileCommit, TheUmaskDecidesTheModeOfEveryNewFile) {
    struct Case {
        mode_t mask;
        mode_t mode;
    };
    const std::vector<Case> cases{{022, 0644}, {077, 0600}, {002, 0664}};
    for (const Case& c : cases) {
        const UmaskScope mask(c.mask);
        Work w;
        Prepare(w, AtName::Nothing);
        for (const Via via : {Via::Stream, Via::Scratch}) {
            SCOPED_TRACE(std::to_string(c.mask) + ", " + NameOf(via));
            FileCommit file(w.target);
            ASSERT_TRUE(WriteVia(file, via, kBytes) && file.Commit(Replace::RegularFile));
            EXPECT_EQ(Describe(w.target), FileWith(c.mode, kBytes));
            ASSERT_EQ(::unlink(Native(w.target).constData()), 0);
        }
        WriteFailure failure;
        const int fd = CreateNew(w.target, &failure);
        ASSERT_GE(fd, 0);
        ::close(fd);
        EXPECT_EQ(Describe(w.target), FileWith(c.mode, {})) << c.mask;
    }
}

TEST(FileCommit, TheTemporaryNameCannotBeGuessedAndNoPlantedLinkIsFollowed) {
    Work w;
    Prepare(w, AtName::Nothing);
    // Where a writer with a predictable scheme would write; each a link to the victim.
    const QStringList predictable{QStringLiteral(".Report.xlsx.%1.part").arg(::getpid()),
                                  ".Report.xlsx.part", ".Report.xlsx.tmp", "Report.xlsx.tmp"};
    for (const QString& name : predictable)
        ASSERT_EQ(::symlink(Native(w.victim).constData(),
                            Native(QDir(w.folder).filePath(name)).constData()),
                  0);
    const Listing before = List(w.folder);
    const QRegularExpression pattern(QStringLiteral("^\\.Report\\.xlsx\\.[a-z0-9]{16}\\.tmp$"));
    FileCommit file(w.target);
    ASSERT_TRUE(file.Open());
    QByteArray written;
    for (char part = 'a'; part < 'q'; ++part) { // a large write, looked at between its parts
        const QByteArray bytes(64 * 1024, part);
        ASSERT_TRUE(file.Write(bytes));
        written += bytes;
        Listing now = List(w.folder);
        std::vector<std::string> added;
        for (const auto& [name, what] : now) {
            if (before.count(name) == 0)
                added.push_back(name);
            else
                EXPECT_EQ(what, before.at(name)) << name;
        }
        ASSERT_EQ(added.size(), 1u);
        const QString name = QString::fromStdString(added.front());
        EXPECT_EQ(now[added.front()].substr(0, 5), "file ") << name.toStdString();
        EXPECT_FALSE(predictable.contains(name)) << name.toStdString();
        EXPECT_TRUE(pattern.match(name).hasMatch()) << name.toStdString();
    }
    FileCommit other(w.target);
    ASSERT_TRUE(other.Open());
    EXPECT_NE(other.TemporaryPath(), file.TemporaryPath());
    other.Abort();
    const UmaskScope mask(022);
    ASSERT_TRUE(file.Commit(Replace::Never));
    EXPECT_EQ(ReadAll(w.target), written);
    EXPECT_EQ(ReadAll(w.victim), kVictim);
    Listing expected = before;
    expected["Report.xlsx"] = Describe(w.target);
    EXPECT_EQ(List(w.folder), expected);
}

TEST(FileCommit, AnUncommittedFileIsRemovedByItsLastOwner) {
    Work w;
    Prepare(w, AtName::Nothing);
    const Listing before = List(w.folder);
    std::optional<FileCommit> owner;
    {
        FileCommit first(w.target);
        ASSERT_TRUE(first.Open() && first.Write(kBytes));
        owner.emplace(std::move(first));
    }
    EXPECT_EQ(List(w.folder).size(), before.size() + 1); // the moved-from one removed nothing
    owner.reset();
    EXPECT_EQ(List(w.folder), before);
}

// The folder is made read-only, and owned by nobody when we are root, since root writes into
// any folder; the write then runs in a child that has given up root.
TEST(FileCommit, AFolderWeMayNotWriteIsRefusedWithEacces) {
    struct Case {
        const char* name;
        std::function<WriteFailure(const QString&)> write;
    };
    const std::vector<Case> cases{
        {"stream",
         [](const QString& target) {
             FileCommit file(target);
             file.Open();
             return file.Failure();
         }},
        {"scratch",
         [](const QString& target) {
             FileCommit file(target);
             file.OpenScratchPath();
             return file.Failure();
         }},
        {"log",
         [](const QString& target) {
             WriteFailure failure;
             CreateNew(target, &failure);
             return failure;
         }},
    };
    const bool root = ::geteuid() == 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Work w;
        Prepare(w, AtName::Nothing);
        const QByteArray folder = Native(w.folder);
        if (root) {
            ASSERT_EQ(::chmod(Native(w.root.path()).constData(), 0755), 0);
            ASSERT_EQ(::chown(folder.constData(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
        const Listing before = List(w.folder);
        const int status = InChild([&] {
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                         ::setuid(kNobody) != 0 || ::geteuid() == 0))
                return 100;
            const WriteFailure failure = c.write(w.target);
            if (failure.fault != WriteFault::System || failure.path != w.folder)
                return 101;
            return failure.errnum;
        });
        EXPECT_EQ(status, EACCES);
        EXPECT_EQ(List(w.folder), before);
        ::chmod(folder.constData(), 0755);
    }
}

const QByteArray kBig(1 << 20, 'x');
constexpr rlim_t kLimit = 64 * 1024;

// In the child: the errno of the failure, or another code for what went wrong.
int StreamPastTheLimit(const QString& target) {
    FileCommit file(target);
    if (!file.Open())
        return 1;
    const QString temporary = file.TemporaryPath();
    if (file.Write(kBig))
        return 2;
    if (QFileInfo::exists(temporary))
        return 3; // a full disk wants its room back now
    if (file.Write("more") || file.Commit(Replace::Never))
        return 4;
    const WriteFailure& failure = file.Failure();
    return failure.fault == WriteFault::System && failure.path == target ? failure.errnum : 5;
}

int LogPastTheLimit(const QString& target) {
    WriteFailure failure;
    const int fd = CreateNew(target, &failure);
    if (fd < 0)
        return 1;
    const bool ok = WriteAll(fd, kBig, target, &failure);
    ::close(fd);
    if (ok)
        return 2;
    return failure.fault == WriteFault::System && failure.path == target ? failure.errnum : 5;
}

// The file size limit stands in for a full disk: the kernel refuses the bytes past it (EFBIG)
// as it would refuse them on a full one (ENOSPC).
TEST(FileCommit, AFullDiskFailsTheWriteAndNoShortFileIsTakenForWhole) {
    struct Case {
        const char* name;
        int (*write)(const QString&);
        qint64 size; // of the file left at the target, -1 none
    };
    const std::vector<Case> cases{{"stream", StreamPastTheLimit, -1},
                                  {"log", LogPastTheLimit, qint64(kLimit)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Work w;
        Prepare(w, AtName::Nothing);
        const Listing before = List(w.folder);
        const int status = InChild([&] {
            rlimit limit{};
            if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 100;
            limit.rlim_cur = kLimit;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || ::signal(SIGXFSZ, SIG_IGN) == SIG_ERR)
                return 100;
            return c.write(w.target);
        });
        EXPECT_EQ(status, EFBIG);
        Listing expected = before;
        if (c.size >= 0)
            expected["Report.xlsx"] = FileWith(0666 & ~mode_t(022), kBig.left(c.size));
        EXPECT_EQ(List(w.folder), expected);
    }
}

enum class At { Nothing, File, Link, DanglingLink, Pipe, Folder, NoFolder };

void Plant(At at, const QString& path, const QString& victim) {
    const QByteArray native = Native(path);
    switch (at) {
    case At::Nothing:
    case At::NoFolder:
        break;
    case At::File:
        WriteFile(path, "old\n");
        break;
    case At::Link:
        ASSERT_EQ(::symlink(Native(victim).constData(), native.constData()), 0);
        break;
    case At::DanglingLink:
        ASSERT_EQ(::symlink("gone", native.constData()), 0);
        break;
    case At::Pipe:
        ASSERT_EQ(::mkfifo(native.constData(), 0644), 0);
        break;
    case At::Folder:
        ASSERT_TRUE(QDir().mkpath(path));
        break;
    }
}

TEST(LogFile, NeitherCreateNewNorAppendToGoesThroughALinkOrIntoAnythingButAFile) {
    enum class How { Create, Append };
    struct Case {
        const char* name;
        How how;
        At at;
        WriteFault fault;
        int errnum;
    };
    const std::vector<Case> cases{
        {"create new", How::Create, At::Nothing, WriteFault::None, 0},
        {"create on a file", How::Create, At::File, WriteFault::Exists, 0},
        {"create on a link", How::Create, At::Link, WriteFault::Link, 0},
        {"create on a dangling link", How::Create, At::DanglingLink, WriteFault::Link, 0},
        {"create without its folder", How::Create, At::NoFolder, WriteFault::System, ENOENT},
        {"append to a file", How::Append, At::File, WriteFault::None, 0},
        {"append to a link", How::Append, At::Link, WriteFault::Link, 0},
        {"append to a dangling link", How::Append, At::DanglingLink, WriteFault::Link, 0},
        {"append to a pipe", How::Append, At::Pipe, WriteFault::NotRegular, 0},
        {"append to a folder", How::Append, At::Folder, WriteFault::NotRegular, 0},
        {"append to nothing", How::Append, At::Nothing, WriteFault::System, ENOENT},
    };
    const UmaskScope mask(022);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Work w;
        Prepare(w, AtName::Nothing);
        QString path = QDir(w.folder).filePath("Live.csv");
        Plant(c.at, path, w.victim);
        if (c.at == At::NoFolder)
            path = QDir(w.folder).filePath("missing/Live.csv");
        const Listing before = List(w.folder);
        WriteFailure failure;
        const int fd = c.how == How::Create ? CreateNew(path, &failure) : AppendTo(path, &failure);
        Listing expected = before;
        if (fd >= 0) {
            EXPECT_TRUE(WriteAll(fd, "line\n", path, &failure));
            ::close(fd);
            expected["Live.csv"] = FileWith(0644, c.at == At::File ? "old\nline\n" : "line\n");
        }
        EXPECT_EQ(fd >= 0, c.fault == WriteFault::None);
        EXPECT_EQ(failure.fault, c.fault);
        EXPECT_EQ(failure.errnum, c.errnum);
        if (c.fault != WriteFault::None) {
            EXPECT_EQ(failure.path, c.at == At::NoFolder ? QFileInfo(path).path() : path);
        }
        EXPECT_EQ(List(w.folder), expected);
    }
}

TEST(WriteFailureText, NamesTheRealCauseInEitherLanguage) {
    struct Case {
        WriteFailure failure;
        Language language;
        const char* text;
    };
    const std::vector<Case> cases{
        {{WriteFault::Link, 0, "/r/Vemla.ini"},
         Language::English,
         "/r/Vemla.ini is a symbolic link; Vemla does not write through links."},
        {{WriteFault::Link, 0, "/r/Vemla.ini"},
         Language::Chinese,
         "/r/Vemla.ini 是符号链接；Vemla 不会通过链接写入文件。"},
        {{WriteFault::Exists, 0, "/r/Report.xlsx"},
         Language::English,
         "/r/Report.xlsx already exists."},
        {{WriteFault::Exists, 0, "/r/Report.xlsx"}, Language::Chinese, "/r/Report.xlsx 已存在。"},
        {{WriteFault::NotRegular, 0, "/r/x"}, Language::English, "/r/x is not a regular file."},
        {{WriteFault::NotRegular, 0, "/r/x"}, Language::Chinese, "/r/x 不是普通文件。"},
        {{WriteFault::System, ENOSPC, "/r/a.csv"},
         Language::English,
         "/r/a.csv: No space left on device"},
        {{WriteFault::System, EACCES, "/r"}, Language::Chinese, "/r：Permission denied"},
        {{WriteFault::None, 0, "/r/a.csv"}, Language::English, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WriteFailureText(c.failure, c.language), QString::fromUtf8(c.text)) << c.text;
}

} // namespace
} // namespace vemla
