#pragma once
// The loss certificate: the job's header, how the losses were judged, the summary with the
// overall verdict and every record's result, painted page by page. The same painting goes to a
// PDF file and to a printer. No widgets: a command-line program writes it too.

#include "Certification.h"
#include "HeaderFields.h"
#include "Record.h"
#include "Texts.h"

#include <QDateTime>
#include <QJsonObject>
#include <QPageSize>
#include <QString>
#include <functional>
#include <vector>

class QPagedPaintDevice;

namespace vemla {

struct CertificateRow {
    // As the table shows them (the operator's corrections included).
    QString number, wavelength, date, note;
    RecordValues values;
};

struct CertificateData {
    Language language = Language::Chinese;
    HeaderFields header;
    CertificationSettings certification;
    std::vector<CertificateRow> rows;
    QDateTime now; // printed in the footer; references are judged stale against it
};

// Told (done, total) rows as pages are painted; returning false cancels.
using CertificateProgress = std::function<bool(int done, int total)>;

// Paints on a fresh device: the page size is the device's. False when cancelled or when the
// device cannot be painted on.
bool PaintCertificate(QPagedPaintDevice& device, const CertificateData& data,
                      const CertificateProgress& progress = {});

// A4, or Letter where the locale measures in US units.
QPageSize DefaultCertificatePageSize();

// Written under a temporary name in the same folder, then renamed. An existing file stays
// unless `overwrite`; a cancelled or failed write leaves no file. `error` says why it failed.
bool WriteCertificatePdf(const CertificateData& data, const QString& path, bool overwrite,
                         const CertificateProgress& progress, QString* error);

// "Loss Certificate 2026-12-07 14-03-22.pdf", the title in the language.
QString CertificateFileName(Language language, const QDateTime& now);

// An upload as a command-line tool hands it over (language, header, certification, generated,
// records). Untrusted: sizes and values are bounded; false with a reason otherwise.
bool CertificateDataFromJson(const QJsonObject& json, CertificateData* data, QString* error);

} // namespace vemla
