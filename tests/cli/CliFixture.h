#pragma once
// vemla-cli run as a script runs it, against vemla-meter-sim on a pseudo-terminal, with its own
// archive and settings folder in a temporary folder and no display.

#include "Certification.h"
#include "ReadBack.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace vemla::test {

class CliFixture : public ::testing::Test {
protected:
    // The simulated meter on its pseudo-terminal; its log holds every frame it received.
    QString StartMeter(QStringList options = {}) {
        meter.start(QStringLiteral(VEMLA_SIM),
                    options << QStringLiteral("--log") << Path("frames"));
        EXPECT_TRUE(meter.waitForReadyRead(5000));
        return QString::fromUtf8(meter.readLine()).trimmed();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Path(const char* name) const { return Path(QString::fromUtf8(name)); }
    QStringList Frames() {
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the meter logs every 10 ms
        return QString::fromLatin1(ReadFile(Path("frames"))).split(u'\n', Qt::SkipEmptyParts);
    }
    void Start(const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* gui : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(gui));
        env.insert(QStringLiteral("VEMLA_ARCHIVE"), Path("archive.sqlite"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(VEMLA_CLI), args);
        ASSERT_TRUE(cli.waitForStarted());
    }
    int Run(const QStringList& args) {
        Start(args);
        EXPECT_TRUE(cli.waitForFinished(60000));
        err = QString::fromUtf8(cli.readAllStandardError());
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }
    // The window's judging on, each wavelength's fixed limit (dB) and fresh reference (dBm) kept.
    void KeepLimits(const std::map<int, double>& maxLoss, const std::map<int, double>& reference) {
        CertificationSettings limits;
        limits.enabled = true;
        for (const auto& [wave, max] : maxLoss)
            limits.SetLimit({wave, WaveLimit::Kind::Fixed, max, 0.0});
        for (const auto& [wave, dBm] : reference)
            limits.SetReference({wave, dBm, QDateTime::currentDateTime()});
        QSettings window(Path("Vemla/Vemla.conf"), QSettings::IniFormat);
        SaveCertification(window, limits);
    }
    void StopMeter() {
        meter.terminate();
        meter.waitForFinished();
    }
    ~CliFixture() override { StopMeter(); }

    QTemporaryDir dir;
    QProcess meter, cli;
    QString err;
};

} // namespace vemla::test
