#include "LinkResults.h"

#include <cmath>

namespace vemla {
namespace {

RecordResult Measured(const ProjectLedger& ledger, int id, int wavelength, Direction direction,
                      const CertificationSettings& settings, const QDateTime& now) {
    const ReadingSlot* slot = ledger.Slot(id, wavelength, direction);
    const ProjectReading* reading = slot ? slot->Current() : nullptr;
    if (reading == nullptr)
        return {};
    RecordResult result = Evaluate(reading->values, settings, now);
    // A reading that rests on no reference is no result: the operator is asked for one.
    if (NeedsReference(reading->values, settings))
        result.verdict = Verdict::NegativeLoss;
    return result;
}

// A direction read: a loss, or a reading that asks for a new reference.
bool Read(const RecordResult& r) {
    return r.lossDb || r.verdict == Verdict::NegativeLoss;
}

// Both directions measured: the link's result by the rule. A negative loss in either asks for
// a new reference whatever the rule.
RecordResult Combined(const RecordResult& a, const RecordResult& b, const LinkRules& rules,
                      std::optional<double> uncertaintyDb) {
    if (a.verdict == Verdict::NegativeLoss)
        return a;
    if (b.verdict == Verdict::NegativeLoss)
        return b;
    switch (rules.rule) {
    case DirectionRule::Average:
        return JudgeLoss((*a.lossDb + *b.lossDb) / 2, a.limitDb, uncertaintyDb);
    case DirectionRule::Worse:
        return *a.lossDb >= *b.lossDb ? a : b;
    case DirectionRule::Each:
        break;
    }
    // Each: the failing direction if any, else the one with the smaller margin.
    if (a.verdict == Verdict::Fail || b.verdict == Verdict::Fail)
        return a.verdict == Verdict::Fail && (b.verdict != Verdict::Fail || *a.lossDb >= *b.lossDb)
                   ? a
                   : b;
    return *a.lossDb >= *b.lossDb ? a : b;
}

} // namespace

CertificationSettings SettingsFor(const CableLink& link, const CertificationSettings& project) {
    CertificationSettings settings = project;
    if (link.lengthKm)
        settings.link.lengthKm = *link.lengthKm;
    if (link.connections)
        settings.link.connectorPairs = *link.connections;
    if (link.splices)
        settings.link.splices = *link.splices;
    return settings;
}

LinkResult ResultAt(const ProjectLedger& ledger, int id, int wavelength,
                    const CertificationSettings& project, const LinkRules& rules,
                    const QDateTime& now) {
    LinkResult result;
    if (id < 0 || size_t(id) >= ledger.Plan().size())
        return result;
    const CertificationSettings settings = SettingsFor(ledger.Plan()[size_t(id)], project);
    result.aToB = Measured(ledger, id, wavelength, Direction::AtoB, settings, now);
    if (!ledger.BothDirections()) {
        result.link = result.aToB;
        result.complete = Read(result.aToB);
        return result;
    }
    result.bToA = Measured(ledger, id, wavelength, Direction::BtoA, settings, now);
    result.complete = Read(result.aToB) && Read(result.bToA);
    if (!result.complete) {
        // One direction alone is shown, never judged as the link.
        result.link.limitDb = result.aToB.limitDb ? result.aToB.limitDb : result.bToA.limitDb;
        return result;
    }
    // Compared at the hundredths the losses are shown with.
    result.directionsDiffer = result.aToB.lossDb && result.bToA.lossDb &&
                              std::llround(std::abs(*result.aToB.lossDb - *result.bToA.lossDb) *
                                           100) > std::llround(rules.directionThresholdDb * 100);
    result.link = Combined(result.aToB, result.bToA, rules, UncertaintyDb(settings));
    return result;
}

IdStatus StatusOf(std::span<const LinkResult> results) {
    bool any = false, all = true, failed = false;
    for (const LinkResult& r : results) {
        any = any || Read(r.aToB) || Read(r.bToA);
        all = all && r.complete && r.link.verdict == Verdict::Pass;
        failed = failed || (r.complete && r.link.verdict == Verdict::Fail);
    }
    if (failed)
        return IdStatus::Fail;
    if (!any)
        return IdStatus::Untested;
    return all ? IdStatus::Pass : IdStatus::Incomplete;
}

} // namespace vemla
