#pragma once
// The user's settings file (QSettings, in the XDG config folder), named once for the window and
// the command line: the command line runs under its own application name but judges with the
// limits the window keeps.

#include "Certification.h"

namespace vemla {

inline constexpr char kSettingsOrganization[] = "Vemla";
inline constexpr char kSettingsApplication[] = "Vemla";

// The limits, references and method in force.
CertificationSettings LoadCertificationInForce();
void KeepCertificationInForce(const CertificationSettings& certification);

} // namespace vemla
