#pragma once
// What every workbook of ours shares: libxlsxwriter writes by file name only, so it writes into
// the write path's private folder, a row at a time (constant memory); its close is checked.

#include "FileCommit.h"
#include "Texts.h"

#include <QString>
#include <functional>

struct lxw_workbook;

namespace vemla {

// `fill` adds the sheets; false when it fails, or with the cause when the file cannot be made
// or closed. The file is left unplaced.
bool WriteWorkbook(FileCommit& file, Language language,
                   const std::function<bool(lxw_workbook*)>& fill, QString* error);

} // namespace vemla
