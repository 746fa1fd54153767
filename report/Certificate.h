#pragma once
// The loss certificate: the job's header, how the losses were judged, the summary with the
// overall verdict and every record's result, painted page by page. The same painting goes to a
// PDF file and to a printer. No widgets: a command-line program writes it too.

#include "DocumentWriter.h"
#include "PagedLines.h"
#include "Texts.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <functional>

class QPagedPaintDevice;

namespace vemla {

// Told (done, total) rows as pages are painted; returning false cancels.
using CertificateProgress = PagedProgress;

// Paints on a fresh device: the page size is the device's. False when cancelled or when the
// device cannot be painted on.
bool PaintCertificate(QPagedPaintDevice& device, const UploadDocument& document,
                      const CertificateProgress& progress = {});

// Why there is no certificate to make (judging off, no rows), in the document's language; empty
// when there is one.
QString CertificateRefusal(const UploadDocument& document);

// The sections every certificate shows: the end-connection figure, the preset and its edition
// and the measurement uncertainty (each where there is one), the limits at each wavelength
// (fixed, or the link's budget) and the references with their age, as of `taken`.
void AddStandardLines(std::vector<PagedLine>& lines, const CertificationSettings& certification,
                      Language language);
void AddLimitLines(std::vector<PagedLine>& lines, const CertificationSettings& certification,
                   Language language);
void AddReferenceLines(std::vector<PagedLine>& lines, const CertificationSettings& certification,
                       Language language, const QDateTime& taken);

// A4, or Letter where the locale measures in US units.
QPageSize DefaultCertificatePageSize();

// A certificate painted into a PDF in memory (a few megabytes for a full meter): the default
// page size, in the orientation given, 15 mm margins. False when `paint` fails or cancels.
bool PaintPdf(const QString& title, QPageLayout::Orientation orientation,
              const std::function<bool(QPagedPaintDevice&)>& paint, QByteArray* pdf);

// The certificate as a PDF file. A cancelled or failed write leaves no file.
class CertificatePdfWriter final : public IDocumentWriter {
public:
    explicit CertificatePdfWriter(CertificateProgress progress = {})
        : m_progress(std::move(progress)) {}
    bool Prepare(const UploadDocument& document, FileCommit& file, QString* error) override;
    bool Cancelled() const { return m_cancelled; }

private:
    CertificateProgress m_progress;
    bool m_cancelled = false;
};

// "Loss Certificate 2026-12-07 14-03-22.pdf", the title in the language.
QString CertificateFileName(Language language, const QDateTime& now);

} // namespace vemla
