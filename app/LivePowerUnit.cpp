#include "LivePowerUnit.h"

#include "LiveSample.h"

namespace vemla {

PowerDecimator::Transform LivePowerUnit::Transform() const {
    switch (unit) {
    case LiveUnit::Milliwatt:
        return [](double dBm) { return MilliwattsOf(dBm); };
    case LiveUnit::Microwatt:
        return [](double dBm) { return MilliwattsOf(dBm) * 1e3; };
    case LiveUnit::Nanowatt:
        return [](double dBm) { return MilliwattsOf(dBm) * 1e6; };
    case LiveUnit::Relative:
        return [r = reference.value_or(0.0)](double dBm) { return dBm - r; };
    case LiveUnit::Dbm:
        break;
    }
    return [](double dBm) { return dBm; };
}

QString LivePowerUnit::Shown(double dBm) const {
    if (!Showable())
        return QString::fromUtf8("—");
    const double value = Transform()(dBm);
    const bool linear = unit != LiveUnit::Dbm && unit != LiveUnit::Relative;
    return (linear ? QString::number(value, 'g', 4) : QString::number(value, 'f', 2)) +
           QLatin1Char(' ') + name;
}

} // namespace vemla
