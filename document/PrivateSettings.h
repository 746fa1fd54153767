#pragma once
// The user's settings files hold names (operators, companies, the meter's serial number): they
// are the user's alone. QSettings writes through a temporary file and a rename that keep the
// mode of the file replaced, so only a first write is made with the umask's mode; it is narrowed
// right after.

#include <QFile>
#include <QSettings>

namespace vemla {

inline void SyncPrivate(QSettings& settings) {
    settings.sync();
    if (settings.status() == QSettings::NoError && QFile::exists(settings.fileName()))
        QFile::setPermissions(settings.fileName(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace vemla
