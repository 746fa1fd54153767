// vemla-pdf: the loss certificate of an upload, or of a project, a command-line tool saved as
// JSON (a project's lists its cable IDs).
// Exit 0 written, 2 usage or unreadable input, 5 file not written.
#include "Certificate.h"
#include "ProjectCertificate.h"
#include "UploadJson.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDone = 0, kUsage = 2, kNotWritten = 5;
constexpr qint64 kMaxInputBytes = 64 * 1024 * 1024;

int Complain(int code, const QString& text) {
    std::fprintf(stderr, "vemla-pdf: %s\n", text.toLocal8Bit().constData());
    return code;
}

int ProjectCertificate(const QJsonObject& json, const QString& in, const QString& out, bool force) {
    vemla::ProjectReport report;
    QString error;
    if (!vemla::ProjectReportFromJson(json, &report, &error))
        return Complain(kUsage, QStringLiteral("%1: %2").arg(in, error));
    if (const QString refusal = vemla::ProjectCertificateRefusal(report); !refusal.isEmpty())
        return Complain(kUsage, QStringLiteral("%1: %2").arg(in, refusal));
    const vemla::WriteResult written = vemla::ProjectCertificatePdfWriter().Write(
        report, {out, force ? vemla::Replace::RegularFile : vemla::Replace::Never, false});
    if (!written.ok)
        return Complain(kNotWritten, QStringLiteral("%1 not written: %2").arg(out, written.error));
    return kDone;
}

} // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application, a display does not: run anywhere, a server included.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString in, out;
    bool force = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--force"))
            force = true;
        else if ((a == QLatin1String("--in") || a == QLatin1String("--out")) && i + 1 < args.size())
            (a == QLatin1String("--in") ? in : out) = args[++i];
        else
            return Complain(kUsage, QStringLiteral("unknown argument '%1'\nusage: vemla-pdf --in "
                                                   "UPLOAD.json --out FILE.pdf [--force]")
                                        .arg(a));
    }
    if (in.isEmpty() || out.isEmpty())
        return Complain(kUsage, QStringLiteral("usage: vemla-pdf --in UPLOAD.json --out FILE.pdf "
                                               "[--force]"));

    QFile file(in);
    if (!file.open(QIODevice::ReadOnly))
        return Complain(kUsage, QStringLiteral("cannot read %1: %2").arg(in, file.errorString()));
    if (file.size() > kMaxInputBytes)
        return Complain(
            kUsage,
            QStringLiteral("%1 is larger than %2 MiB").arg(in).arg(kMaxInputBytes / (1024 * 1024)));
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxInputBytes), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return Complain(kUsage, QStringLiteral("%1 is not a JSON object: %2")
                                    .arg(in, parse.error != QJsonParseError::NoError
                                                 ? parse.errorString()
                                                 : QStringLiteral("not an object")));
    if (doc.object().contains(QLatin1String("ids")))
        return ProjectCertificate(doc.object(), in, out, force);
    vemla::UploadDocument document;
    QString error;
    if (!vemla::UploadDocumentFromJson(doc.object(), &document, &error))
        return Complain(kUsage, QStringLiteral("%1: %2").arg(in, error));
    if (!document.taken.isValid())
        return Complain(
            kUsage, QStringLiteral("%1: \"generated\" must be an ISO 8601 date and time").arg(in));
    if (const QString refusal = vemla::CertificateRefusal(document); !refusal.isEmpty())
        return Complain(kUsage, QStringLiteral("%1: %2").arg(in, refusal));
    vemla::CertificatePdfWriter writer;
    const vemla::WriteResult written = writer.Write(
        document, {out, force ? vemla::Replace::RegularFile : vemla::Replace::Never, false});
    if (!written.ok)
        return Complain(kNotWritten, QStringLiteral("%1 not written: %2").arg(out, written.error));
    return kDone;
}
