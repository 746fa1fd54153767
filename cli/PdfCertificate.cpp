#include "PdfCertificate.h"

namespace vemla {

// Until the vemla-pdf program exists there is nothing to run: every request fails plainly,
// before any file is made. This is the one place to start that program from.
bool MakePdfCertificate(const QString& /*jsonPath*/, const QString& /*pdfPath*/, Language language,
                        QString* error) {
    if (error)
        *error = Pick(text::kCliPdfNeedsProgram, language);
    return false;
}

} // namespace vemla
