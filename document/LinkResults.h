#pragma once
// A project's results per link: each cable ID's loss at each expected wavelength, in one
// direction or both, judged with the project's limits and the ID's own link values.

#include "Certification.h"
#include "ProjectLedger.h"

#include <span>

namespace vemla {

// How two directions make the link's result at a wavelength.
enum class DirectionRule : uint8_t {
    Average, // the mean of A→B and B→A, judged (as result managers do)
    Each,    // each direction must pass on its own
    Worse,   // the greater loss, judged
};

struct LinkRules {
    DirectionRule rule = DirectionRule::Average;
    // A difference between the directions above this points at a dirty or damaged connector.
    double directionThresholdDb = 0.5;
};

struct LinkResult {
    RecordResult aToB, bToA;       // as measured; no verdict where there is no reading
    RecordResult link;             // the link's result at the wavelength, by the rule
    bool complete = false;         // every expected direction has a reading
    bool directionsDiffer = false; // both measured, apart by more than the threshold
};

// The ID's own length, connections and splices stand in for the project's link, where given.
CertificationSettings SettingsFor(const CableLink& link, const CertificationSettings& project);

LinkResult ResultAt(const ProjectLedger& ledger, int id, int wavelength,
                    const CertificationSettings& project, const LinkRules& rules,
                    const QDateTime& now);

enum class IdStatus { Untested, Incomplete, Pass, Fail };
// Pass when every expected wavelength (and direction) has passed, Fail when any has failed,
// Untested with no reading at all, Incomplete otherwise (a CHECK REF asks for a retest).
// From the ID's results at its expected wavelengths.
IdStatus StatusOf(std::span<const LinkResult> results);

} // namespace vemla
