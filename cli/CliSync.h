#pragma once
// vemla-cli's `archive status` and `archive sync`: the local archive's state against the lab's
// shared archive, and one sync (send what waits, receive the other stations'). No meter.

#include "CliOptions.h"

namespace vemla {

// The process exit code (CliExit): done and nothing waiting, records still waiting, the server
// unreachable, or refused.
int RunArchiveStatus(const CliOptions& options);
int RunArchiveSync(const CliOptions& options);

} // namespace vemla
