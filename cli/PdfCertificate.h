#pragma once
// The PDF certificate of an upload, made from its JSON document (report/UploadJson.h) by the
// separate GUI-linked program vemla-pdf, so vemla-cli itself links no GUI library.

#include "Texts.h"

#include <QString>

namespace vemla {

// Makes pdfPath, a new file, from the upload's JSON document at jsonPath; false with `error` (in
// `language`, or vemla-pdf's own words) when it cannot. Nothing partial is left.
bool MakePdfCertificate(const QString& jsonPath, const QString& pdfPath, Language language,
                        QString* error);

} // namespace vemla
