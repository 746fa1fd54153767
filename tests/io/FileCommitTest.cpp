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

#include <algorithm>
#include <functional>
#include <iterator>
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

using F = WriteFault;
constexpr Replace kNever = Replace::Never, kReplace = Replace::RegularFile;
const QByteArray kBytes = QByteArray("new contents\n").repeated(100);
const QByteArray kBig(1 << 20, 'x');
constexpr rlim_t kLimit = 64 * 1024;
constexpr uid_t kNobody = 65534;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

std::string FileWith(mode_t mode, const QByteArray& bytes) {
    return "file " + std::to_string(mode) + " " +
           QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

// An entry's kind and mode, and a file's bytes or a link's target.
std::string Describe(const QString& path) {
    struct stat info {};
    if (::lstat(Native(path).constData(), &info) != 0)
        return "absent";
    if (S_ISLNK(info.st_mode))
        return "link to " + QFile::symLinkTarget(path).toStdString();
    const mode_t mode = info.st_mode & 07777;
    if (!S_ISREG(info.st_mode))
        return (S_ISDIR(info.st_mode) ? "folder " : "special ") + std::to_string(mode);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? FileWith(mode, f.readAll()) : "unreadable";
}

// Every entry of a folder, by name.
using Listing = std::map<std::string, std::string>;

Listing List(const QString& folder) {
    Listing listing;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        listing[name.toStdString()] = Describe(dir.filePath(name));
    return listing;
}

std::string Text(const WriteFailure& f) {
    return std::to_string(int(f.fault)) + " " + std::to_string(f.errnum) + " " +
           f.path.toStdString();
}

void WriteFile(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    ASSERT_EQ(::chmod(Native(path).constData(), mode), 0);
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

struct UmaskScope {
    explicit UmaskScope(mode_t mask) : old(::umask(mask)) {}
    ~UmaskScope() { ::umask(old); }
    const mode_t old;
};

// What stands at (or instead of) the name before the write.
enum class At { Nothing, DanglingLink, Link, File, Pipe, Folder, NoFolder, FileAsFolder };

// A folder "work" holding a victim file for the planted links to point at.
struct Work {
    QTemporaryDir root;
    QString folder = root.filePath("work");
    QString victim = root.filePath("work/victim.txt");

    Work() {
        EXPECT_TRUE(QDir().mkpath(folder));
        WriteFile(victim, "the victim's own bytes\n");
    }
    // Plants `at` at the name in the folder; returns the path to write.
    QString Plant(At at, const QString& name = "Report.xlsx") const {
        const QString path = QDir(folder).filePath(name);
        const QByteArray native = Native(path);
        switch (at) {
        case At::Nothing:
            break;
        case At::DanglingLink:
            EXPECT_EQ(::symlink("nowhere", native.constData()), 0);
            break;
        case At::Link:
            EXPECT_EQ(::symlink(Native(victim).constData(), native.constData()), 0);
            break;
        case At::File:
            WriteFile(path, "old\n", 0640);
            break;
        case At::Pipe:
            EXPECT_EQ(::mkfifo(native.constData(), 0644), 0);
            break;
        case At::Folder:
            EXPECT_TRUE(QDir().mkpath(path));
            break;
        case At::NoFolder:
            return QDir(folder).filePath("missing/" + name);
        case At::FileAsFolder:
            WriteFile(QDir(folder).filePath("plain"), "plain\n");
            return QDir(folder).filePath("plain/" + name);
        }
        return path;
    }
};

// The three ways a file is written: streamed through Write, by name by a library, as a log.
enum class Via { Stream, Scratch, Log };

bool WriteVia(FileCommit& file, Via via, const QByteArray& bytes) {
    if (via == Via::Stream)
        return file.Open() && file.Write(bytes);
    const QString path = file.OpenScratchPath();
    QFile out(path); // as a library would: by name
    return !path.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() &&
           out.flush();
}

struct Outcome {
    bool ok = false;
    WriteFailure failure;
    Listing folder; // taken while the writer lives: what it leaves must be gone already
};

Outcome Write(Via via, const QString& target, const QString& folder, const QByteArray& bytes,
              Replace replace = kNever) {
    Outcome o;
    if (via == Via::Log) {
        const int fd = CreateNew(target, &o.failure);
        o.ok = fd >= 0 && WriteAll(fd, bytes, target, &o.failure);
        if (fd >= 0)
            ::close(fd);
        o.folder = List(folder);
        return o;
    }
    FileCommit file(target);
    const bool written = WriteVia(file, via, bytes);
    if (!written) // a failed write makes room at once
        o.folder = List(folder);
    o.ok = file.Commit(replace) && written; // a commit after it fails and keeps its cause
    o.failure = file.Failure();
    if (o.failure.fault == F::Exists) // the written file waits for another name
        file.CommitAs(QFileInfo(target).dir().filePath("Report (2).xlsx"), replace);
    if (written)
        o.folder = List(folder);
    return o;
}

// A link is refused the same whether it dangles or not: one of each under each mode.
TEST(FileCommit, WhatStandsAtTheNameDecidesAndNothingElseInTheFolderChanges) {
    const struct {
        const char* name;
        At at;
        Replace replace;
        WriteFault fault;
        int errnum;
        mode_t mode; // of the committed file, or of the one placed with CommitAs after Exists
    } cases[] = {
        {"new name, never", At::Nothing, kNever, F::None, 0, 0644},
        {"new name, replace", At::Nothing, kReplace, F::None, 0, 0644},
        {"dangling link, never", At::DanglingLink, kNever, F::Link, 0, 0},
        {"link to a file, replace", At::Link, kReplace, F::Link, 0, 0},
        {"file, never", At::File, kNever, F::Exists, 0, 0644},
        {"file 0640, replace", At::File, kReplace, F::None, 0, 0640},
        {"folder, never", At::Folder, kNever, F::Exists, 0, 0644},
        {"folder, replace", At::Folder, kReplace, F::NotRegular, 0, 0},
        {"no folder", At::NoFolder, kNever, F::System, ENOENT, 0},
        {"file as folder", At::FileAsFolder, kReplace, F::System, ENOTDIR, 0},
    };
    const UmaskScope mask(022);
    for (const auto& c : cases) {
        for (const Via via : {Via::Stream, Via::Scratch}) {
            SCOPED_TRACE(testing::Message() << c.name << ", via " << int(via));
            Work w;
            const QString target = w.Plant(c.at);
            Listing expected = List(w.folder);
            const Outcome o = Write(via, target, w.folder, kBytes, c.replace);
            const QString at = c.fault == F::None     ? QString()
                               : c.fault == F::System ? QFileInfo(target).path()
                                                      : target;
            EXPECT_EQ(Text(o.failure), Text({c.fault, c.errnum, at}));
            EXPECT_EQ(o.ok, c.fault == F::None);
            if (c.fault == F::None || c.fault == F::Exists)
                expected[c.fault == F::None ? "Report.xlsx" : "Report (2).xlsx"] =
                    FileWith(c.mode, kBytes);
            EXPECT_EQ(o.folder, expected);
            EXPECT_EQ(List(w.folder), expected);
        }
    }
}

TEST(FileCommit, TheUmaskDecidesTheModeOfEveryNewFile) {
    for (const auto& [mask, mode] :
         {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {002, 0664}}) {
        const UmaskScope scope(mask);
        for (const Via via : {Via::Stream, Via::Scratch, Via::Log}) {
            Work w;
            const QString target = w.Plant(At::Nothing);
            Write(via, target, w.folder, kBytes);
            EXPECT_EQ(Describe(target), FileWith(mode, kBytes)) << mask << ", via " << int(via);
        }
    }
}

TEST(FileCommit, TheTemporaryNameCannotBeGuessedAndNoPlantedLinkIsFollowed) {
    const UmaskScope mask(022);
    Work w;
    // Where a writer with a predictable scheme would write; each a link to the victim.
    for (const QString& name :
         {QStringLiteral(".Report.xlsx.%1.part").arg(::getpid()),
          QStringLiteral(".Report.xlsx.part"), QStringLiteral(".Report.xlsx.tmp"),
          QStringLiteral("Report.xlsx.tmp")})
        w.Plant(At::Link, name);
    const QString target = w.Plant(At::Nothing);
    const Listing before = List(w.folder);
    const QRegularExpression pattern(QStringLiteral("^\\.Report\\.xlsx\\.[a-z0-9]{16}\\.tmp$"));
    FileCommit file(target);
    ASSERT_TRUE(file.Open());
    QByteArray written;
    for (char part = 'a'; part < 'q'; ++part) { // a large write, looked at between its parts
        written += QByteArray(64 * 1024, part);
        ASSERT_TRUE(file.Write(written.right(64 * 1024)));
        const Listing now = List(w.folder);
        Listing added; // new names, and old names that changed
        std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                            std::inserter(added, added.end()));
        ASSERT_EQ(added.size(), 1u);
        const auto& [name, what] = *added.begin();
        EXPECT_TRUE(pattern.match(QString::fromStdString(name)).hasMatch()) << name;
        EXPECT_EQ(what.substr(0, 5), "file ") << name;
    }
    EXPECT_TRUE(FileCommit(target).Open()) << "a second write at once gets a name of its own";
    ASSERT_TRUE(file.Commit(kNever));
    Listing expected = before;
    expected["Report.xlsx"] = FileWith(0644, written);
    EXPECT_EQ(List(w.folder), expected);
}

TEST(FileCommit, AnUncommittedFileIsRemovedByItsLastOwner) {
    Work w;
    const QString target = w.Plant(At::Nothing);
    const Listing before = List(w.folder);
    std::optional<FileCommit> owner;
    {
        FileCommit first(target);
        ASSERT_TRUE(first.Open() && first.Write(kBytes));
        owner.emplace(std::move(first));
    }
    EXPECT_EQ(List(w.folder).size(), before.size() + 1); // the moved-from one removed nothing
    owner.reset();
    EXPECT_EQ(List(w.folder), before);
}

// A read-only folder is also owned by nobody when we are root, since root writes into any
// folder, and the child gives up root. A file size limit stands in for a full disk: the kernel
// refuses the bytes past it (EFBIG) as it would refuse them on a full one (ENOSPC).
TEST(FileCommit, AReadOnlyFolderOrAFullDiskFailsTheWriteAndNoShortFileIsTakenForWhole) {
    const struct {
        Via via;
        bool fullDisk;
        int errnum;
    } cases[] = {{Via::Stream, false, EACCES},
                 {Via::Scratch, false, EACCES},
                 {Via::Log, false, EACCES},
                 {Via::Stream, true, EFBIG},
                 {Via::Log, true, EFBIG}};
    const UmaskScope mask(022);
    const bool root = ::geteuid() == 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "via " << int(c.via) << ", full disk " << c.fullDisk);
        Work w;
        const QString target = w.Plant(At::Nothing);
        const QByteArray folder = Native(w.folder);
        if (root && !c.fullDisk) {
            ASSERT_EQ(::chmod(Native(w.root.path()).constData(), 0755), 0);
            ASSERT_EQ(::chown(folder.constData(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(folder.constData(), c.fullDisk ? 0755 : 0555), 0);
        Listing expected = List(w.folder);
        if (c.fullDisk && c.via == Via::Log) // a log keeps the lines that fitted
            expected["Report.xlsx"] = FileWith(0644, kBig.left(kLimit));
        const int status = InChild([&] {
            const rlimit limit{kLimit, kLimit};
            if (c.fullDisk ? ::setrlimit(RLIMIT_FSIZE, &limit) != 0 ||
                                 ::signal(SIGXFSZ, SIG_IGN) == SIG_ERR
                           : root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                                      ::setuid(kNobody) != 0))
                return 100;
            const Outcome o = Write(c.via, target, w.folder, kBig);
            const WriteFailure failure{F::System, o.failure.errnum, c.fullDisk ? target : w.folder};
            return o.ok || Text(o.failure) != Text(failure) || o.folder != expected
                       ? 101
                       : o.failure.errnum;
        });
        EXPECT_EQ(status, c.errnum);
        EXPECT_EQ(List(w.folder), expected);
        ::chmod(folder.constData(), 0755);
    }
}

TEST(LogFile, NeitherCreateNewNorAppendToGoesThroughALinkOrIntoAnythingButAFile) {
    const struct {
        const char* name;
        bool append;
        At at;
        WriteFault fault;
        int errnum;
    } cases[] = {
        {"create on a file", false, At::File, F::Exists, 0},
        {"create on a link", false, At::Link, F::Link, 0},
        {"create without its folder", false, At::NoFolder, F::System, ENOENT},
        {"append to a file", true, At::File, F::None, 0},
        {"append to a link", true, At::Link, F::Link, 0},
        {"append to a pipe", true, At::Pipe, F::NotRegular, 0},
        {"append to a folder", true, At::Folder, F::NotRegular, 0},
        {"append to nothing", true, At::Nothing, F::System, ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Work w;
        const QString path = w.Plant(c.at, "Live.csv");
        Listing expected = List(w.folder);
        WriteFailure failure;
        const int fd = c.append ? AppendTo(path, &failure) : CreateNew(path, &failure);
        if (fd >= 0) {
            EXPECT_TRUE(WriteAll(fd, "line\n", path, &failure));
            ::close(fd);
            expected["Live.csv"] = FileWith(0640, "old\nline\n");
        }
        const QString at = c.fault == F::None     ? QString()
                           : c.at == At::NoFolder ? QFileInfo(path).path()
                                                  : path;
        EXPECT_EQ(Text(failure), Text({c.fault, c.errnum, at}));
        EXPECT_EQ(List(w.folder), expected);
    }
}

TEST(WriteFailureText, NamesTheRealCauseInEitherLanguage) {
    const std::tuple<WriteFailure, Language, const char*> cases[] = {
        {{F::Link, 0, "/r/Vemla.ini"},
         Language::English,
         "/r/Vemla.ini is a symbolic link; Vemla does not write through links."},
        {{F::Exists, 0, "/r/Report.xlsx"}, Language::Chinese, "/r/Report.xlsx 已存在。"},
        {{F::NotRegular, 0, "/r/x"}, Language::English, "/r/x is not a regular file."},
        {{F::System, ENOSPC, "/r/a.csv"}, Language::English, "/r/a.csv: No space left on device"},
        {{F::System, EACCES, "/r"}, Language::Chinese, "/r：Permission denied"},
        {{F::None, 0, "/r/a.csv"}, Language::English, ""},
    };
    for (const auto& [failure, language, text] : cases)
        EXPECT_EQ(WriteFailureText(failure, language), QString::fromUtf8(text)) << text;
}

} // namespace
} // namespace vemla
