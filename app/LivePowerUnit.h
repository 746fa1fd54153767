#pragma once
// How the live window shows a meter's power: in the unit the operator chose, and in the relative
// unit against that meter's own reference (readings of two meters share no reference).

#include "PowerDecimator.h"

#include <QString>
#include <optional>

namespace vemla {

enum class LiveUnit { Dbm, Milliwatt, Microwatt, Nanowatt, Relative };

struct LivePowerUnit {
    LiveUnit unit = LiveUnit::Dbm;
    std::optional<double> reference; // the meter's relative reference, dBm
    QString name;                    // as the window shows the unit

    // Relative without a reference, there is nothing to show.
    bool Showable() const { return unit != LiveUnit::Relative || reference.has_value(); }
    PowerDecimator::Transform Transform() const;
    // "-10.02 dBm", "0.0995 mW"; a dash when not showable.
    QString Shown(double dBm) const;
};

} // namespace vemla
