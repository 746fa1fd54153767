#pragma once
// The certificates' account of how the references were taken and checked: the method's name in
// the standards, where a budget's length came from, the launch cord, the meter's calibration
// date and the test reference cords' verification at each wavelength.

#include "Certification.h"
#include "HeaderFields.h"
#include "PagedLines.h"

namespace vemla {

// After the references. The launch cord, the calibration date and the verifications only when
// set; the method's names and the length's source once the limits name their edition or any of
// those is set.
void AddReferenceWorkflowLines(std::vector<PagedLine>& lines,
                               const CertificationSettings& certification, LengthSource length,
                               Language language, const QDate& today);

// The meter and who tested with it, for a certificate with no upload header: the fields given.
void AddMeterLines(std::vector<PagedLine>& lines, const HeaderFields& meter, Language language);

} // namespace vemla
