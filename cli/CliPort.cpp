#include "CliPort.h"

#include "CliOptions.h"
#include "CliOutputs.h"
#include "MeterSession.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <chrono>

namespace vemla {

int OpenMeterPort(MeterSession& session, const QString& port, Language language) {
    static const QRegularExpression comName(QStringLiteral("^COM(\\d{1,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto com = comName.match(port);
    // A device path is listed as the window lists a VEMLA_PORTS path.
    if (!com.hasMatch())
        session.Ports().AddVirtual(port.toStdString(), port.toStdString());
    session.PortListDropDown();
    int index = -1;
    const auto& names = session.PortNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool match = com.hasMatch() ? names[i].number == com.captured(1).toUInt()
                                          : names[i].device == port.toStdString();
        if (match && index < 0)
            index = static_cast<int>(i);
    }
    if (index < 0) {
        Say(Pick(text::kCliNoSuchPort, language).arg(port));
        return kExitPort;
    }
    if (session.TogglePort(index) != MeterSession::ToggleResult::Opened)
        return kExitPort; // the session's box said why
    // The monitor thread purges the line as it starts; commands go out after that.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (!session.Port().IsMonitoring() && Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return kExitDone;
}

} // namespace vemla
