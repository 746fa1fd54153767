#pragma once
// What the window benchmarks share: a window with no system ports and boxes that answer
// themselves, the simulated meter's port opened in it, and the process's memory figures.

#include "MessageBox.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"
#include "PortSource.h"

#include <QComboBox>
#include <QFile>

namespace vemla::bench {

class NoPorts final : public IPortSource {
public:
    std::vector<PortCandidate> Enumerate() override { return {}; }
};

class SilentBoxes final : public IMessageBox {
public:
    BoxAnswer Show(QWidget*, const QString&, const QString& text, BoxButtons, BoxIcon) override {
        last = text;
        ++count;
        return BoxAnswer::Ok;
    }
    QString last;
    int count = 0;
};

// Lists the simulated meter, shows the window and opens that port; false when it did not open.
inline bool OpenSimulatedPort(CMeterDlg& dlg, const MeterSimulator& meter) {
    dlg.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
    dlg.show();
    dlg.OnPortListDropDown();
    dlg.findChild<QComboBox*>(QStringLiteral("1000"))->setCurrentIndex(0);
    dlg.OnPortButton();
    return dlg.Port().IsOpen();
}

// A kB figure of /proc/self/status ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
inline long StatusKiB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').front().toLong();
    return -1;
}

} // namespace vemla::bench
