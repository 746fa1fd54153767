#pragma once
// vemla-cli power --jsonl / --jsonl-file: up to 16 meters, one --port each, polled side by side
// on one event loop, every reading a JSON object on a line of its own, stamped by the one system
// clock. Each meter has its own session and monitor, so one that stops answering stops only its
// own lines. The line's fields are the manual's (vemla-cli(1), JSON LINES), kept stable.

#include "CliOptions.h"

namespace vemla {

// kExitDone at --count (every meter), --duration, SIGINT or SIGTERM, the last line whole;
// kExitPort when a port cannot be opened at the start; kExitFile when a file cannot be written.
int RunPowerStream(const CliOptions& options);

} // namespace vemla
