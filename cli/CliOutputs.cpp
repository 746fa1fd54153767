#include "CliOutputs.h"

#include "CliOptions.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace vemla {

void Say(const QString& text) {
    std::fprintf(stderr, "vemla-cli: %s\n", qPrintable(text));
}

void Out(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
