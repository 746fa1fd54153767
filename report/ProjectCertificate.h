#pragma once
// The project certificate: a summary page (project, customer, site, method, limits, references,
// progress and the overall result), then one row per cable ID with each wavelength and
// direction, the link's result, margin and verdict, then the IDs not yet tested. Landscape: a
// row of two wavelengths in both directions has twelve columns.

#include "PagedLines.h"
#include "ProjectExport.h"

namespace vemla {

bool PaintProjectCertificate(QPagedPaintDevice& device, const ProjectReport& report,
                             const PagedProgress& progress = {});

// Why there is no certificate to make (judging off, an empty plan), in the report's language;
// empty when there is one.
QString ProjectCertificateRefusal(const ProjectReport& report);

class ProjectCertificatePdfWriter final : public IProjectWriter {
public:
    bool Prepare(const ProjectReport& report, FileCommit& file, QString* error) override;
};

} // namespace vemla
