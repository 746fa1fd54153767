#include "DesktopReportOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace vemla {

bool DesktopReportOpener::Open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace vemla
