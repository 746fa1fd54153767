#pragma once
// A small project worked by hand from the budget: 1310 nm at 0.5 dB/km with two pairs of
// 0.75 dB, so "A" (1 km) may lose 2.00 dB and "+B" (0.2 km) 1.60 dB. A: 1.80 dB A→B and 2.40 dB
// B→A, averaging 2.10: FAIL by 0.10, the directions 0.60 apart. +B: 1.50 dB A→B only.

#include "ProjectReport.h"

namespace vemla::test {

inline MeterRecord ProjectLoss(const char* id, float lossDb) {
    MeterRecord record;
    record.values = {0, 1310, -lossDb, 0.0f, true, {}};
    record.texts[kTableColumns - 1] = QString::fromLatin1(id);
    return record;
}

// With an uncertainty over 0.10 dB, A's link result is marginal.
inline ProjectReport ProjectSample(Language language = Language::Chinese,
                                   std::optional<double> meterUncertaintyDb = {}) {
    CertificationSettings limits;
    limits.enabled = true;
    limits.link = {1.0, 2, 0.75, 0, 0.3, 0.0, {}};
    limits.meterUncertaintyDb = meterUncertaintyDb;
    limits.SetLimit({1310, WaveLimit::Kind::Budget, 0.0, 0.5});
    ProjectLedger ledger({{"A", {}, {}, {}, {}, {}, {}}, {"+B", 0.2, {}, {}, {}, {}, {}}}, {1310},
                         true);
    ledger.Assign(1, Direction::AtoB, {ProjectLoss("A", 1.80f), ProjectLoss("+B", 1.50f)});
    ledger.Assign(2, Direction::BtoA, {ProjectLoss("A", 2.40f)});
    return MakeProjectReport({QStringLiteral("P"),
                              QStringLiteral("Acme"),
                              {},
                              {},
                              limits,
                              {DirectionRule::Average, 0.5}},
                             ledger, language, QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
}

} // namespace vemla::test
