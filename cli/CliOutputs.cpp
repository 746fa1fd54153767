#include "CliOutputs.h"

#include "CliOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace vemla {

void Say(const QString& text) {
    std::fprintf(stderr, "vemla-cli: %s\n", qPrintable(text));
}

void Out(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int CheckOutputPaths(const CliOptions& o) {
    const auto say = [&](const BilingualText& text, const QString& path, const QString& why = {}) {
        Say(why.isEmpty() ? Pick(text, o.language).arg(path)
                          : Pick(text, o.language).arg(path, why));
    };
    QStringList seen;
    // The JSON lines file is continued, so only its name is checked here: its own open refuses
    // a link or anything but a file.
    for (const QString* path : {&o.jsonlFile, &o.xlsx, &o.csv, &o.jsonFile, &o.pdf}) {
        if (path->isEmpty())
            continue;
        const QFileInfo info(*path);
        const QString absolute = QDir::cleanPath(info.absoluteFilePath());
        if (seen.contains(absolute))
            return say(text::kCliSameFileTwice, *path), kExitUsage;
        seen << absolute;
        if (path == &o.jsonlFile)
            continue;
        if (info.isSymLink()) {
            Say(WriteFailureText({WriteFault::Link, 0, *path}, o.language));
            return kExitFile;
        }
        if (info.exists() && !o.force)
            return say(text::kCliFileExists, *path), kExitFile;
        const QByteArray folder = QFile::encodeName(info.absolutePath());
        if (::access(folder.constData(), W_OK | X_OK) != 0)
            return say(text::kCliCannotWrite, *path, qt_error_string(errno)), kExitFile;
    }
    return kExitDone;
}

int RemoveForcedLog(const CliOptions& o) {
    if (o.force && QFileInfo::exists(o.csv) && !QFile::remove(o.csv)) {
        Say(Pick(text::kCliCannotWrite, o.language).arg(o.csv, QStringLiteral("cannot remove it")));
        return kExitFile;
    }
    return kExitDone;
}

FileCommit& StagedOutputs::Stage(const QString& path) {
    m_staged.push_back({std::make_unique<FileCommit>(path), {path, m_replace, false}});
    return *m_staged.back().file;
}

int StagedOutputs::PlaceAll() {
    QStringList placed;
    for (Staged& s : m_staged) {
        const WriteResult result = Place(*s.file, s.to, m_language);
        if (!result.ok) {
            for (const QString& path : placed)
                QFile::remove(path);
            Say(Pick(text::kCliCannotWrite, m_language).arg(s.to.path, result.error));
            return kExitFile;
        }
        placed << result.path;
    }
    return kExitDone;
}

} // namespace vemla
