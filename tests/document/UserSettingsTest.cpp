// The user's settings file holds operators' and companies' names: it is the user's alone, from
// its first write on, whatever the umask. What it holds is certify's and the window's tests'.
#include "UserSettings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vemla {
namespace {

TEST(UserSettingsTest, TheSettingsFileIsTheUsersAloneFromItsFirstWrite) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path())); // before any QSettings
    const mode_t umask = ::umask(022);
    CertificationSettings certification;
    for (bool enabled : {true, false}) { // made, then replaced
        certification.enabled = enabled;
        KeepCertificationInForce(certification);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("Vemla/Vemla.conf")).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << "enabled " << enabled;
    }
    ::umask(umask);
}

} // namespace
} // namespace vemla
