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

QString TextTooLong(const UploadDocument& data) {
    const auto tooLong = [](const QString& text) {
        return text.size() > kMaxCellCharacters &&
               text.toUcs4().size() > kMaxCellCharacters; // a spreadsheet counts code points
    };
    const HeaderFields& h = data.header;
    for (const QString* field : {&h.company, &h.model, &h.serialNumber, &h.testOperator, &h.notes})
        if (tooLong(*field))
            return Pick(text::kHeaderTooLong, data.language).arg(kMaxCellCharacters);
    for (size_t r = 0; r < data.rows.size(); ++r)
        for (size_t c = 0; c < kTableColumns; ++c)
            if (tooLong(data.rows[r].texts[c]))
                return Pick(text::kCellTooLong, data.language)
                    .arg(r + 1)
                    .arg(Pick(text::kTableColumnCaptions[c], data.language))
                    .arg(kMaxCellCharacters);
    return {};
}

WriteResult IDocumentWriter::Write(const UploadDocument& document, const Destination& to) {
    return PrepareAndPlace(
        [&](FileCommit& file, QString* error) { return Prepare(document, file, error); }, to,
        document.language);
}

WriteResult PrepareAndPlace(const std::function<bool(FileCommit&, QString*)>& prepare,
                            const Destination& to, Language language) {
    FileCommit file(to.path);
    QString error;
    if (!prepare(file, &error)) {
        file.Abort();
        return {false, {}, error};
    }
    return Place(file, to, language);
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
