#pragma once
// Runs one vemla-cli command on a MeterSession, the window's own engine, so a script gets the
// frames, texts and files the window produces. Needs a QCoreApplication.

#include "CliOptions.h"

namespace vemla {

// The process exit code (CliExit).
int RunCli(const CliOptions& options);

} // namespace vemla
