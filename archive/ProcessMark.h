#pragma once
// Which process holds an upload open: the archive stamps a version with its writer's mark while
// the upload is under way, so a later open can tell a version whose writer died (killed, power
// cut) from one another Vemla is still filling. Linux: the boot id, the pid and the process's
// start time, since a pid alone is reused and a reboot starts the counting again.

#include <QString>

namespace vemla {

// This process's mark.
QString OwnProcessMark();
// False when the marked process no longer runs (another boot, no such pid, a later process
// under the same pid); a mark that cannot be read counts as gone.
bool ProcessMarkAlive(const QString& mark);

} // namespace vemla
