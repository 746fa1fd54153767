#pragma once
// Hands a written report to the desktop's spreadsheet program. Here rather than in report/, so
// the writers stay QtCore only for the command line.

#include "Report.h"

namespace vemla {

class DesktopReportOpener final : public IReportOpener {
public:
    bool Open(const QString& path) override;
};

} // namespace vemla
