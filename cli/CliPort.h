#pragma once
// Opening the meter's port as the window's port button does, from what --port names: "COM<n>"
// as the list numbers it, or a device path, listed as the window lists a VEMLA_PORTS path.

#include "Texts.h"

#include <QString>

namespace vemla {

class MeterSession;

// kExitDone once the port is open and its monitor thread has purged the line (commands go out
// after that); kExitPort with the reason said on stderr otherwise.
int OpenMeterPort(MeterSession& session, const QString& port, Language language);

} // namespace vemla
