#pragma once
// Runs the programs the report tests read their files back with (unzip, pdftotext, vemla-pdf).

#include "FileBytes.h"

#include <QProcess>
#include <QStringList>

namespace vemla::test {

// What the program printed; `code` gets its exit code, -1 when it did not end normally.
inline QByteArray Output(const QString& program, const QStringList& args, int* code = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(300000);
    if (code)
        *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

// The text pdftotext lays out, each run of white space made one space.
inline QString PdfText(const QString& path) {
    return QString::fromUtf8(Output(QStringLiteral("pdftotext"), {"-layout", path, "-"}))
        .simplified();
}

} // namespace vemla::test
