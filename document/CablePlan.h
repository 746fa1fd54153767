#pragma once
// A project's plan: the cable IDs a contractor is paid to test, typed as patterns or imported
// from an as-built list. Values and rules only, no I/O: the archive keeps them, the window and
// the command line read them in.

#include "Texts.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace vemla {

// One cable ID and, where the plan gives them, its own link values for budget limits (the
// project's apply otherwise).
struct CableLink {
    QString id;
    std::optional<double> lengthKm;
    std::optional<int> connections;
    std::optional<int> splices;
    QString from, to, notes;
};

inline constexpr int kMaxPlanIds = 100000;
inline constexpr qsizetype kMaxCableIdLength = 128;
inline constexpr qsizetype kMaxPlanText = 1000; // from, to, notes

// "B1-PP1-J[01..48]" gives B1-PP1-J01 … B1-PP1-J48; "R[1..3]-P[A..D]-[1..24]" the cartesian
// product, first group slowest. A number range keeps the start's zero padding ("[01..48]": two
// digits; "[1..24]": none); a letter range runs within one case. A range runs upwards. False
// with the reason, in the language, (the pattern named) when malformed, empty, or over kMaxPlanIds
// IDs.
bool ExpandPattern(const QString& pattern, std::vector<QString>* ids, Language language,
                   QString* error);

// A plan from CSV: UTF-8 with or without a byte-order mark, RFC 4180 quoting, a header line
// naming the columns in English or Chinese: cable_id (required), length_km, connections,
// splices, from, to, notes; other columns are left alone. Nothing is taken when any line is
// wrong: false with the line named.
bool ParsePlanCsv(const QByteArray& bytes, std::vector<CableLink>* plan, Language language,
                  QString* error);

// Adds `added` after `plan`'s IDs; an ID already in the plan or twice in `added`, or a plan
// over kMaxPlanIds, refuses the whole addition.
bool AddToPlan(std::vector<CableLink>& plan, const std::vector<CableLink>& added, Language language,
               QString* error);

} // namespace vemla
