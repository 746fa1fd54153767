#pragma once
// The PDF certificate of an upload, made from its JSON document (report/UploadJson.h) by a
// separate GUI-linked program, so vemla-cli itself links no GUI library.

#include "Texts.h"

#include <QString>

namespace vemla {

// Makes pdfPath from the upload's JSON document at jsonPath; false with `error` (in `language`)
// when it cannot.
bool MakePdfCertificate(const QString& jsonPath, const QString& pdfPath, Language language,
                        QString* error);

} // namespace vemla
