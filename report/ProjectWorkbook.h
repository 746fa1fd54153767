#pragma once
// A project as a workbook: one "Project" sheet with its particulars, progress and overall
// result, the limits, one row per cable ID (figures as numbers), and the untested IDs.

#include "ProjectExport.h"

namespace vemla {

class ProjectXlsxWriter final : public IProjectWriter {
public:
    bool Prepare(const ProjectReport& report, FileCommit& file, QString* error) override;
};

} // namespace vemla
