#pragma once
// A project as its reports show it: who it is for, the limits and rules it is judged with, and
// per cable ID each expected wavelength's result in each direction, with the counts that make
// its progress. One value, made once, read by the project window and every project output.

#include "HeaderFields.h"
#include "LinkResults.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace vemla {

struct ProjectInfo {
    QString name, customer, site, notes;
    CertificationSettings certification; // limits, method and references in force
    LinkRules rules;
};

struct ProjectIdRow {
    QString id;
    IdStatus status = IdStatus::Untested;
    std::vector<LinkResult> results; // one per expected wavelength, in the project's order
    // A complete link's result within the measurement uncertainty at some wavelength.
    bool marginal = false;
};

struct ProjectCounts {
    int ids = 0, untested = 0, incomplete = 0, passed = 0, failed = 0;
    int marginal = 0; // IDs with a marginal result, whatever their status
    // "37.5%": a count's share of the IDs, one decimal; "0.0%" for an empty plan.
    QString Percent(int count) const;
};

struct ProjectReport {
    ProjectInfo info;
    Language language = Language::English;
    QDateTime taken; // when the results were judged (a reference's age counts from here)
    std::vector<int> waves;
    bool bothDirections = false;
    std::vector<ProjectIdRow> rows; // in plan order
    ProjectCounts counts;
    // The meter's model and serial and the operator, where the caller knows them (a project
    // keeps none of its own); only those three fields are reported.
    HeaderFields meter;
    bool planLengths = false; // some ID's own length stands in for the project's

    // Pass when every ID passed, Fail when any failed, None while IDs remain to be tested.
    Verdict Overall() const;
    std::vector<QString> Untested() const;
};

// Whether any complete link among an ID's results is marginal.
bool MarginalOf(const std::vector<LinkResult>& results);
// The IDs counted by status, and those with a marginal result.
ProjectCounts CountsOf(const std::vector<ProjectIdRow>& rows);

ProjectReport MakeProjectReport(const ProjectInfo& info, const ProjectLedger& ledger,
                                Language language, const QDateTime& taken);

// The table every view of a project shows, one row per cable ID: the ID, then per wavelength
// A→B, B→A and the link's loss (with one direction, its loss), the margin and the result, then
// the ID's status. Figures as every output prints them; the em dash where there is none.
QStringList ProjectColumnCaptions(const ProjectReport& report);
QStringList ProjectRowCells(const ProjectReport& report, const ProjectIdRow& row);
// "FAIL (A→B and B→A differ)": a complete link's verdict, stale mark and the directions' flag;
// the em dash while incomplete.
QString LinkVerdictText(const LinkResult& result, Language language);
// The progress line: counts and shares, in the report's language.
QString ProgressText(const ProjectReport& report);
// How two directions make one, in words.
QString RuleText(DirectionRule rule, Language language);

// "PASS", "FAIL", "INCOMPLETE", "UNTESTED" and their Chinese.
QString StatusText(IdStatus status, Language language);

} // namespace vemla
