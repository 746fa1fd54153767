#pragma once
// vemla-cli's commands on the lab's shared archive: init-server makes its schema on the server
// or brings it up to date; search lists every station's uploads held there. No meter.

#include "CliOptions.h"

namespace vemla {

// The process exit code (CliExit): kExitRefused when the server refused the login the right.
int RunSharedArchive(const CliOptions& options);

} // namespace vemla
