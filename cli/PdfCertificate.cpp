#include "PdfCertificate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "FileCommit.h"

namespace vemla {

namespace {

// Beside this program first (the package installs both in one folder, the build puts them
// together too), then on the PATH.
QString PdfProgram() {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("vemla-pdf");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("vemla-pdf"));
}

// 65,536 records take a few seconds; a program that hangs must not hold the script forever.
constexpr int kPdfTimeoutMs = 10 * 60 * 1000;

} // namespace

bool MakePdfCertificate(const QString& jsonPath, const QString& pdfPath, Language language,
                        QString* error) {
    const QString program = PdfProgram();
    if (program.isEmpty()) {
        *error = Pick(text::kCliPdfNeedsProgram, language);
        return false;
    }
    const QStringList args{QStringLiteral("--in"), jsonPath, QStringLiteral("--out"), pdfPath};
    QProcess pdf;
    pdf.setProcessChannelMode(QProcess::SeparateChannels);
    pdf.start(program, args);
    if (!pdf.waitForStarted() || !pdf.waitForFinished(kPdfTimeoutMs)) {
        pdf.kill();
        pdf.waitForFinished();
        *error =
            Pick(text::kCliPdfNeedsProgram, language) + QStringLiteral(": ") + pdf.errorString();
        return false;
    }
    if (pdf.exitStatus() == QProcess::NormalExit && pdf.exitCode() == 0)
        return true;
    *error = QString::fromUtf8(pdf.readAllStandardError()).trimmed().left(2000);
    return false;
}

bool PdfFromJson(const QByteArray& json, QByteArray* pdf, Language language, QString* error) {
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return *error = scratch.errorString(), false;
    const QString in = scratch.filePath(QStringLiteral("document.json"));
    const QString out = scratch.filePath(QStringLiteral("certificate.pdf"));
    WriteFailure failure;
    if (!CommitBytes(in, json, Replace::Never, &failure))
        return *error = WriteFailureText(failure, language), false;
    if (!MakePdfCertificate(in, out, language, error))
        return false;
    QFile made(out);
    if (!made.open(QIODevice::ReadOnly))
        return *error = made.errorString(), false;
    *pdf = made.readAll();
    return true;
}

} // namespace vemla
