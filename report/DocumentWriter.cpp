#include "DocumentWriter.h"

#include <QDir>
#include <QFileInfo>

namespace vemla {
namespace {

constexpr int kMaxNumber = 999;

// "Name (n).ext" beside `path`.
QString Numbered(const QString& path, int n) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    const QString name = suffix.isEmpty()
                             ? QStringLiteral("%1 (%2)").arg(stem).arg(n)
                             : QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(suffix);
    return info.dir().filePath(name);
}

// Every caller names the file already: a system failure is told by the system's reason alone, a
// refusal (a link, a file in the way) in its own sentence.
QString CauseOf(const FileCommit& file, Language language) {
    const WriteFailure& failure = file.Failure();
    return failure.fault == WriteFault::System ? qt_error_string(failure.errnum)
                                               : WriteFailureText(failure, language);
}

} // namespace

WriteResult IDocumentWriter::Write(const UploadDocument& document, const Destination& to) {
    FileCommit file(to.path);
    QString error;
    if (!Prepare(document, file, &error)) {
        file.Abort();
        return {false, {}, error};
    }
    return Place(file, to, document.language);
}

WriteResult Place(FileCommit& file, const Destination& to, Language language) {
    const auto failed = [&] {
        WriteResult result{false, {}, CauseOf(file, language)};
        file.Abort();
        return result;
    };
    if (!to.numberIfTaken)
        return file.Commit(to.replace) ? WriteResult{true, to.path, {}} : failed();
    for (int n = 1; n <= kMaxNumber; ++n) {
        const QString path = n == 1 ? to.path : Numbered(to.path, n);
        if (file.CommitAs(path, Replace::Never))
            return {true, path, {}};
        if (file.Failure().fault != WriteFault::Exists)
            break;
    }
    return failed();
}

bool PrepareBytes(FileCommit& file, const QByteArray& bytes, Language language, QString* error) {
    if (file.Open() && file.Write(bytes))
        return true;
    *error = CauseOf(file, language);
    return false;
}

} // namespace vemla
