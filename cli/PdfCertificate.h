#pragma once
// The PDF certificate of an upload or a project, made from its JSON document by the
// separate GUI-linked program vemla-pdf, so vemla-cli itself links no GUI library.

#include "Texts.h"

#include <QByteArray>
#include <QString>

namespace vemla {

// Makes pdfPath, a new file, from the upload's JSON document at jsonPath; false with `error` (in
// `language`, or vemla-pdf's own words) when it cannot. Nothing partial is left.
bool MakePdfCertificate(const QString& jsonPath, const QString& pdfPath, Language language,
                        QString* error);

// The same from the document's bytes: written into a private folder of ours, drawn there, and
// the PDF's bytes read back for the caller to place with its other outputs.
bool PdfFromJson(const QByteArray& json, QByteArray* pdf, Language language, QString* error);

} // namespace vemla
