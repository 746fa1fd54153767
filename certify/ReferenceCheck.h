#pragma once
// The reference's own checks: the test reference cords mated and read after a reference is
// taken, the launch cord used for multimode, the meter's calibration date, and when a new
// reference is due. Pure rules on plain values, as the rest of certify/.

#include "Record.h"
#include "ReferenceTexts.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

namespace vemla {

struct CertificationSettings;

// Which fibre a wavelength tests: 850 and 1300 nm are multimode windows, 1310 nm and above
// single-mode ones. Nothing in the settings says which fibre a link is, so the wavelength does.
enum class FibreMode { Multimode, SingleMode };
FibreMode ModeAt(int wavelength);

// Two reference-grade cords mated may lose this much (TIA-568.3-E and ISO/IEC 14763-3 as the
// test-equipment makers' notes give them).
inline constexpr double kTrcMultimodeMaxDb = 0.10;
inline constexpr double kTrcSingleModeMaxDb = 0.20;
double TrcLimitDb(int wavelength);
// Judged as shown (two decimals, as every loss): within ±limit passes. A mated pair gains no
// light, so a reading below −limit is a bad reference, not good cords.
bool TrcPasses(int wavelength, double lossDb);

inline constexpr int kMaxCordsText = 80;
inline constexpr int kMaxRenewReadings = 100000;

// The cords mated after a reference was taken, read at one wavelength.
struct CordVerification {
    int wavelength = 0;
    double lossDb = 0.0;
    bool pass = false; // as judged when read
    QString cords;     // the cords' IDs as the operator typed them
    QDateTime taken;
};

enum class LaunchCondition { Unknown, EncircledFlux, NotEncircledFlux };

// What the workflow keeps beside the references; the default is "never set".
struct ReferenceWorkflow {
    std::vector<CordVerification> verifications; // the latest per wavelength, rising
    LaunchCondition launch = LaunchCondition::Unknown;
    QDate calibrationDue;       // invalid: not set
    int renewAfterReadings = 0; // 0: off

    bool IsDefault() const;
    // Replaces or adds.
    void SetVerification(const CordVerification& verification);
};

// A reading of the mated cords, judged now; the IDs bounded.
CordVerification VerifyCords(int wavelength, double lossDb, const QString& cords,
                             const QDateTime& now);
// The verification that stands for the reference at a wavelength: none without a reference,
// and none when the reference was taken again after it (judged to the minute, as shown).
const CordVerification* VerificationInForce(const CertificationSettings& settings, int wavelength);
// The cords last typed, for a verification made with one click.
QString LastCords(const ReferenceWorkflow& workflow);

// True only for a set date before `today`: the due day itself is still in calibration.
bool CalibrationPast(const ReferenceWorkflow& workflow, const QDate& today);

// The one warning given when certifying or reporting with a past date; empty otherwise.
QString CalibrationWarning(const ReferenceWorkflow& workflow, const QDate& today,
                           Language language);

// How the reference at a wavelength has been used since it was taken.
struct ReferenceUse {
    int judged = 0;            // readings judged against it
    bool negativeSeen = false; // one of them was a CHECK REF
    bool reconnected = false;  // the meter went away or came back since
};
// Readings at `wavelength` judged against the held reference (not relative ones, which carry
// their own) and stored at or after its taking by the meter's clock; a reconnect after it.
ReferenceUse UseSince(const std::vector<RecordValues>& records,
                      const CertificationSettings& settings, int wavelength,
                      const QDateTime& lastReconnect, const QDateTime& now);

enum class RenewReason { None, Missing, NegativeLoss, Reconnected, Stale, Readings };
// Why a new reference is due at a wavelength, the most pressing reason first; None when the one
// held is good.
RenewReason ReferenceDue(const CertificationSettings& settings, int wavelength,
                         const ReferenceUse& use, const QDateTime& now);
// A non-relative reading at a wavelength with no reference held: it cannot be judged.
bool NeedsReference(const RecordValues& record, const CertificationSettings& settings);
// The wavelengths that hold a reference or have readings that need one, with why a new one is
// due; those with none left out. Rising.
std::vector<std::pair<int, RenewReason>> ReferencesDue(const std::vector<RecordValues>& records,
                                                       const CertificationSettings& settings,
                                                       const QDateTime& lastReconnect,
                                                       const QDateTime& now);
// "New reference due: 850 nm (stale), 1310 nm (negative loss)"; empty with nothing due.
QString ReferencesDueText(const std::vector<std::pair<int, RenewReason>>& due,
                          const CertificationSettings& settings, Language language);

// Where a budget's length comes from: none when every limit is fixed.
enum class LengthSource { None, Typed, Plan };
LengthSource LengthSourceOf(const CertificationSettings& settings, bool planHasLengths);

// The reference method's name in the standards: TIA-526-14's for the multimode wavelengths,
// TIA-526-7's for the single-mode ones, both when the settings hold both or neither.
QString MethodStandardText(const CertificationSettings& settings);
QString LaunchText(LaunchCondition launch, Language language);
QString LengthSourceText(LengthSource source, Language language);
QString RenewReasonText(RenewReason reason, const CertificationSettings& settings,
                        Language language);

// --- keeping ---
// Only a workflow that was set is written, so settings never touched keep their bytes. With it
// goes the method's name in the standards ("method_standard"), for scripts; it is not read back.
void AddWorkflowJson(QJsonObject& json, const CertificationSettings& settings);
// Untrusted: bounded, anything unreadable falls back to the default.
ReferenceWorkflow WorkflowFromJson(const QJsonValue& json);

} // namespace vemla
