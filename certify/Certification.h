#pragma once
// Loss certification: the limits a job's fibres must meet, the references the losses are
// measured against, and the verdict on each record. Pure functions on plain values, QtCore
// only, so the window, the reports and the command-line tool judge alike.

#include "Record.h"
#include "ReferenceCheck.h"
#include "Texts.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

class QSettings;

namespace vemla {

// The link a budget is computed for.
struct LinkBudget {
    double lengthKm = 0.0;
    int connectorPairs = 2;
    double lossPerPairDb = 0.75;
    int splices = 0;
    double lossPerSpliceDb = 0.3;
    double designMarginDb = 0.0;
    // With reference-grade test cords the link's two end connections are allowed less than a
    // standard-grade mated pair: they count at this figure and the other pairs at lossPerPairDb.
    // None: every pair at lossPerPairDb.
    std::optional<double> endConnectionDb;
};

// The limit at one wavelength: a fixed maximum loss, or the link's budget with the fibre's
// attenuation there.
struct WaveLimit {
    enum class Kind { Fixed, Budget };
    int wavelength = 0; // nm
    Kind kind = Kind::Budget;
    double maxLossDb = 0.0;          // Kind::Fixed
    double attenuationDbPerKm = 0.0; // Kind::Budget
};

// The reading through the launch cord alone, for records taken without the relative flag.
struct LossReference {
    int wavelength = 0; // nm
    double dBm = 0.0;
    QDateTime taken;
};

// How the reference was taken; it changes how many connections a budget counts, so it is kept
// with the results.
enum class ReferenceMethod { OneCord, TwoCord, ThreeCord };

struct CertificationSettings {
    // Off: the table, the reports and the CSV are exactly as without certification.
    bool enabled = false;
    QString preset;  // the preset the limits started from, "" when typed
    QString edition; // the preset's standard and year, "" when none was named
    ReferenceMethod method = ReferenceMethod::OneCord;
    LinkBudget link;
    std::vector<WaveLimit> limits;
    std::vector<LossReference> references;
    // A reference older than this is stale; results computed with it are marked.
    double staleAfterHours = 24.0;
    // The operator's figures for the meter and the source (dB); none until entered. A result
    // closer to its limit than their combination is marked marginal.
    std::optional<double> meterUncertaintyDb;
    std::optional<double> sourceUncertaintyDb;
    // Cord verification, launch condition, calibration date, when to renew the references.
    ReferenceWorkflow workflow;

    const WaveLimit* LimitAt(int wavelength) const;
    const LossReference* ReferenceAt(int wavelength) const;
    // Replaces or adds.
    void SetLimit(const WaveLimit& limit);
    void SetReference(const LossReference& reference);
};

// What a stored or typed value may be; anything outside is not a value an operator meant.
inline constexpr double kMaxDb = 100.0; // losses, dB/km, per-pair and margins alike
inline constexpr double kMaxKm = 1000.0;
inline constexpr int kMaxCount = 10000; // connector pairs, splices
inline constexpr int kMaxWavelength = 7000;
inline constexpr std::size_t kMaxWaves = 64;
inline constexpr double kMaxStaleHours = 24.0 * 365;
// A loss reading is good to a few tenths of a dB; an uncertainty beyond this is no instrument's.
inline constexpr double kMaxUncertaintyDb = 10.0;

// Every figure is judged as it is shown: at 0.01 dB, each value rounded as its two-decimal text
// reads (to the nearest hundredth of the binary value, an exact half to even, as printf rounds
// and as the meter's own texts are made). Loss, limit and margin are compared at that resolution
// only, so a reader who checks the printed figures finds the verdict they give.
inline constexpr int kShownDecimals = 2;
// A loss below this (−0.31 dB and lower, as shown) is a warning.
inline constexpr double kNegativeLossWarningDb = -0.3;
// The value at the shown resolution; none when it is no finite number of a sane size.
std::optional<double> AtResolution(double dB);
// "4.45": a figure as every output prints it; the em dash when it is no number.
QString DbText(double dB);
// The same for a figure that may be missing: the em dash then.
QString FigureText(const std::optional<double>& dB);
// An operator's input as given (the link length, losses per pair and splice, attenuations,
// references): at least two decimals and as many more as were typed, up to ten.
QString InputText(double value);

// length × attenuation + pairs × per pair + splices × per splice + design margin; with an
// end-connection figure, up to two of the pairs (the link's ends) count at that figure instead.
double BudgetLossDb(const LinkBudget& link, double attenuationDbPerKm);
// The limit at a wavelength; none when no limit is set there.
std::optional<double> LimitDb(const CertificationSettings& settings, int wavelength);
// The uncertainty results are judged with: the root-sum-square of the meter's and the source's
// figures (either alone when only one is given); none when neither is.
std::optional<double> UncertaintyDb(const CertificationSettings& settings);

enum class Verdict { None, Pass, Fail, NegativeLoss };

// Loss, limit and margin at the shown resolution (kShownDecimals).
struct RecordResult {
    std::optional<double> lossDb;   // none without a relative flag, a reference or a power
    std::optional<double> limitDb;  // none without a limit at the wavelength
    std::optional<double> marginDb; // limit − loss, when both are known
    Verdict verdict = Verdict::None;
    bool staleReference = false; // the loss was computed with a stale reference
    // A PASS or FAIL whose margin, as shown, is smaller than the measurement uncertainty.
    bool marginal = false;
};

// Relative records: L = r − p. Others: L = R(λ) − p with the reference held for λ. A power (or
// relative reference) that is no reading (IsPowerReading) gives no loss. At the shown
// resolution, a loss equal to the limit passes; a loss below kNegativeLossWarningDb is a
// warning, never a pass.
RecordResult Evaluate(const RecordValues& record, const CertificationSettings& settings,
                      const QDateTime& now);
// A loss (measured, or made of several, as a link's average of two directions) against a limit,
// by the same rule. Marginal when |margin| < uncertainty, both at the shown resolution: a margin
// exactly at the uncertainty is not marginal.
RecordResult JudgeLoss(std::optional<double> lossDb, std::optional<double> limitDb,
                       std::optional<double> uncertaintyDb = std::nullopt);

// Judged to the minute, as the times are shown ("yyyy-MM-dd HH:mm"): a reference shown exactly
// staleAfterHours before `now` is still fresh, a minute later it is stale.
bool IsStale(const LossReference& reference, double staleAfterHours, const QDateTime& now);

struct WaveSummary {
    int wavelength = 0;
    int count = 0;
    int pass = 0;
    int fail = 0;
    int warnings = 0; // negative losses
    int noResult = 0;
    int marginal = 0; // of the passes and fails
    std::optional<double> worstMarginDb;
};

// Per wavelength, in rising order.
std::vector<WaveSummary> Summarize(const std::vector<RecordValues>& records,
                                   const CertificationSettings& settings, const QDateTime& now);
// Fail when any record fails; Pass only when every record passes; None otherwise.
Verdict OverallVerdict(const std::vector<WaveSummary>& summary);

// --- presets ---
// A standard's figures as its edition gives them, and where they were read. The "custom"
// entry has none: choosing it keeps the values and lets the operator change them.
struct CertificationPreset {
    BilingualText name;
    const char* edition; // "TIA-568.3-E (2022)"; "" for custom
    const char* source;  // a short note on where the figures come from
    double lossPerPairDb;
    double lossPerSpliceDb;
    std::optional<double> endConnectionDb;           // reference-grade end connections
    std::vector<std::pair<int, double>> attenuation; // nm, dB/km
    bool IsCustom() const { return attenuation.empty(); }
};
const std::vector<CertificationPreset>& Presets();
// The entry named `name` (its English name), or none.
const CertificationPreset* FindPreset(const QString& name);
// A kept preset name in the language; a name no entry has, as it was kept.
QString PresetName(const QString& name, Language language);
// The preset's name, edition, loss values and attenuations replace those in settings; limits at
// its wavelengths become budgets; other wavelengths and the link's length and counts stay.
// The custom entry only renames: the values stay as they are.
void ApplyPreset(CertificationSettings& settings, const CertificationPreset& preset);

// --- texts ---
namespace certtext {
inline constexpr BilingualText kLossColumn{"LOSS(dB)", "损耗(dB)"};
inline constexpr BilingualText kResultColumn{"RESULT", "结果"};
inline constexpr BilingualText kPass{"PASS", "合格"};
inline constexpr BilingualText kFail{"FAIL", "不合格"};
// A negative loss: the link "gained" light, so the reference was taken badly.
inline constexpr BilingualText kNegativeLoss{"CHECK REF", "检查参考"};
inline constexpr BilingualText kStale{"stale reference", "参考已过期"};
inline constexpr BilingualText kOneCord{"one-cord reference", "单跳线参考"};
inline constexpr BilingualText kTwoCord{"two-cord reference", "双跳线参考"};
inline constexpr BilingualText kThreeCord{"three-cord reference", "三跳线参考"};
// Marks a PASS or FAIL whose margin is within the measurement uncertainty.
inline constexpr const char* kMarginalMark = "*";
inline constexpr BilingualText kUncertaintyBoth{
    "%1 dB (root-sum-square of meter %2 dB and source %3 dB)",
    "%1 dB（仪表 %2 dB 与光源 %3 dB 的方和根）"};
inline constexpr BilingualText kUncertaintyMeter{"%1 dB (meter)", "%1 dB（仪表）"};
inline constexpr BilingualText kUncertaintySource{"%1 dB (source)", "%1 dB（光源）"};
} // namespace certtext
inline constexpr const char* kNoResultText = "\u2014"; // an em dash: no value, never a made-up one
QString LossText(const RecordResult& result);          // "4.45", "" without a loss
QString ResultText(const RecordResult& result, Language language); // "PASS +0.52 dB", "—"
QString VerdictText(Verdict verdict, Language language);           // "PASS", "FAIL", "—", ...
// The verdict with the marginal mark: "PASS*", "FAIL*"; as VerdictText otherwise.
QString JudgedText(const RecordResult& result, Language language);
// The verdict with the stale mark in full when the loss rests on a stale reference:
// "PASS* (stale reference)"; the margin is left to its own column.
QString MarkedVerdictText(const RecordResult& result, Language language);
QString MethodText(ReferenceMethod method, Language language);
// The uncertainty used, for the certificates: "0.22 dB (root-sum-square of meter 0.10 dB and
// source 0.20 dB)", "0.10 dB (meter)"; "" when none is set.
QString UncertaintyText(const CertificationSettings& settings, Language language);

// --- keeping ---
// In the user's settings, group "Certification". Values read back are bounded; anything
// unreadable falls back to the default.
void SaveCertification(QSettings& settings, const CertificationSettings& certification);
CertificationSettings LoadCertification(QSettings& settings);
// The same, as a JSON object for the archive and files. Untrusted on the way in.
QJsonObject CertificationToJson(const CertificationSettings& certification);
CertificationSettings CertificationFromJson(const QJsonObject& json);

} // namespace vemla
