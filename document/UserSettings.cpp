#include "UserSettings.h"

#include "PrivateSettings.h"

#include <QSettings>

namespace vemla {

CertificationSettings LoadCertificationInForce() {
    QSettings settings(QString::fromLatin1(kSettingsOrganization),
                       QString::fromLatin1(kSettingsApplication));
    return LoadCertification(settings);
}

void KeepCertificationInForce(const CertificationSettings& certification) {
    QSettings settings(QString::fromLatin1(kSettingsOrganization),
                       QString::fromLatin1(kSettingsApplication));
    SaveCertification(settings, certification);
    SyncPrivate(settings);
}

} // namespace vemla
