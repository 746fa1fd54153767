#pragma once
// vemla-cli's project commands: a plan imported or typed as patterns, the list of projects, a
// project's progress, its reports; and an upload given to a project. The archive holds them.

#include "CliOptions.h"

namespace vemla {

// The process exit code (CliExit).
int RunProject(const CliOptions& options);

// Before `upload --project NAME`: the project is there (kExitUsage, said, when not).
int CheckProject(const CliOptions& options);

// After `upload --project NAME --direction ab|ba`: the archived upload `job` given to the project.
int TieUpload(const CliOptions& options, qint64 job);

} // namespace vemla
