#include "ReferenceCheck.h"

#include "Certification.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>
#include <set>

namespace vemla {
namespace {

// The wavelength between the multimode 1300 nm window and the single-mode 1310 nm one.
constexpr int kSingleModeFrom = 1305;

constexpr std::array<const char*, 3> kLaunchKeys{"unknown", "encircled-flux", "not-encircled-flux"};

// The method's name in the standard for one fibre: TIA-526-14 (multimode) calls the one-cord
// method B, the two-cord A and the three-cord C; TIA-526-7 (single-mode) A.1, A.2 and A.3.
QString StandardName(ReferenceMethod method, FibreMode mode) {
    static constexpr std::array<const char*, 3> kMultimode{
        "TIA-526-14 Method B", "TIA-526-14 Method A", "TIA-526-14 Method C"};
    static constexpr std::array<const char*, 3> kSingleMode{
        "TIA-526-7 Method A.1", "TIA-526-7 Method A.2", "TIA-526-7 Method A.3"};
    const auto at = std::size_t(method);
    return QString::fromLatin1(mode == FibreMode::Multimode ? kMultimode[at] : kSingleMode[at]);
}

// The fibres the settings' limits and references test.
std::set<FibreMode> ModesIn(const CertificationSettings& settings) {
    std::set<FibreMode> modes;
    for (const WaveLimit& l : settings.limits)
        modes.insert(ModeAt(l.wavelength));
    for (const LossReference& r : settings.references)
        modes.insert(ModeAt(r.wavelength));
    return modes;
}

QDateTime RecordTime(const RecordDate& d, Qt::TimeSpec zone) {
    return QDateTime(QDate(2000 + d.year, d.month, d.day), QTime(d.hour, d.minute), zone);
}

QJsonObject VerificationJson(const CordVerification& v) {
    return {{"wavelength", v.wavelength},
            {"loss_dB", v.lossDb},
            {"pass", v.pass},
            {"cords", v.cords},
            {"taken", v.taken.toString(Qt::ISODate)}};
}

std::optional<CordVerification> VerificationFrom(const QJsonObject& o) {
    CordVerification v;
    v.wavelength = o.value("wavelength").toInt(0);
    v.lossDb = o.value("loss_dB").toDouble(NAN);
    if (v.wavelength <= 0 || v.wavelength > kMaxWavelength || !std::isfinite(v.lossDb) ||
        std::fabs(v.lossDb) > kMaxDb)
        return std::nullopt;
    // Judged again: a file says what it likes.
    v.pass = TrcPasses(v.wavelength, v.lossDb);
    v.cords = o.value("cords").toString().left(kMaxCordsText);
    v.taken = QDateTime::fromString(o.value("taken").toString().left(64), Qt::ISODate);
    return v;
}

} // namespace

FibreMode ModeAt(int wavelength) {
    return wavelength < kSingleModeFrom ? FibreMode::Multimode : FibreMode::SingleMode;
}

double TrcLimitDb(int wavelength) {
    return ModeAt(wavelength) == FibreMode::Multimode ? kTrcMultimodeMaxDb : kTrcSingleModeMaxDb;
}

bool TrcPasses(int wavelength, double lossDb) {
    const auto shown = AtResolution(lossDb);
    const auto limit = AtResolution(TrcLimitDb(wavelength));
    return shown && std::llround(std::fabs(*shown) * 100) <= std::llround(*limit * 100);
}

bool ReferenceWorkflow::IsDefault() const {
    return verifications.empty() && launch == LaunchCondition::Unknown &&
           !calibrationDue.isValid() && renewAfterReadings == 0;
}

void ReferenceWorkflow::SetVerification(const CordVerification& verification) {
    auto it = std::find_if(verifications.begin(), verifications.end(),
                           [&](const auto& v) { return v.wavelength == verification.wavelength; });
    if (it != verifications.end())
        *it = verification;
    else
        verifications.push_back(verification);
    std::sort(verifications.begin(), verifications.end(),
              [](const auto& a, const auto& b) { return a.wavelength < b.wavelength; });
}

CordVerification VerifyCords(int wavelength, double lossDb, const QString& cords,
                             const QDateTime& now) {
    return {wavelength, lossDb, TrcPasses(wavelength, lossDb), cords.left(kMaxCordsText), now};
}

const CordVerification* VerificationInForce(const CertificationSettings& settings, int wavelength) {
    const LossReference* reference = settings.ReferenceAt(wavelength);
    const auto& all = settings.workflow.verifications;
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const auto& v) { return v.wavelength == wavelength; });
    if (reference == nullptr || it == all.end() || !it->taken.isValid())
        return nullptr;
    return reference->taken.isValid() && it->taken < reference->taken ? nullptr : &*it;
}

QString LastCords(const ReferenceWorkflow& workflow) {
    const CordVerification* last = nullptr;
    for (const CordVerification& v : workflow.verifications)
        if (!v.cords.isEmpty() && (last == nullptr || last->taken < v.taken))
            last = &v;
    return last ? last->cords : QString();
}

bool CalibrationPast(const ReferenceWorkflow& workflow, const QDate& today) {
    return workflow.calibrationDue.isValid() && workflow.calibrationDue < today;
}

QString CalibrationWarning(const ReferenceWorkflow& workflow, const QDate& today,
                           Language language) {
    if (!CalibrationPast(workflow, today))
        return {};
    return Pick(reftext::kCalibrationOverdue, language)
        .arg(workflow.calibrationDue.toString(Qt::ISODate));
}

bool NeedsReference(const RecordValues& record, const CertificationSettings& settings) {
    return IsPowerReading(record.power) && !record.relative &&
           settings.ReferenceAt(record.wavelength) == nullptr;
}

ReferenceUse UseSince(const std::vector<RecordValues>& records,
                      const CertificationSettings& settings, int wavelength,
                      const QDateTime& lastReconnect, const QDateTime& now) {
    ReferenceUse use;
    const LossReference* reference = settings.ReferenceAt(wavelength);
    if (reference == nullptr || !reference->taken.isValid())
        return use;
    // The meter's clock shows minutes: a reading stored in the reference's minute counts.
    const QDateTime from = reference->taken.addSecs(-reference->taken.time().second());
    for (const RecordValues& r : records) {
        if (r.wavelength != wavelength || r.relative || RecordTime(r.date, from.timeSpec()) < from)
            continue;
        const RecordResult result = Evaluate(r, settings, now);
        if (!result.lossDb)
            continue;
        ++use.judged;
        use.negativeSeen = use.negativeSeen || result.verdict == Verdict::NegativeLoss;
    }
    use.reconnected = lastReconnect.isValid() && lastReconnect >= reference->taken;
    return use;
}

RenewReason ReferenceDue(const CertificationSettings& settings, int wavelength,
                         const ReferenceUse& use, const QDateTime& now) {
    const LossReference* reference = settings.ReferenceAt(wavelength);
    if (reference == nullptr)
        return RenewReason::Missing;
    if (use.negativeSeen)
        return RenewReason::NegativeLoss;
    if (use.reconnected)
        return RenewReason::Reconnected;
    if (IsStale(*reference, settings.staleAfterHours, now))
        return RenewReason::Stale;
    const int after = settings.workflow.renewAfterReadings;
    if (after > 0 && use.judged >= after)
        return RenewReason::Readings;
    return RenewReason::None;
}

std::vector<std::pair<int, RenewReason>> ReferencesDue(const std::vector<RecordValues>& records,
                                                       const CertificationSettings& settings,
                                                       const QDateTime& lastReconnect,
                                                       const QDateTime& now) {
    std::set<int> waves;
    for (const LossReference& r : settings.references)
        waves.insert(r.wavelength);
    for (const RecordValues& r : records)
        if (NeedsReference(r, settings))
            waves.insert(r.wavelength);
    std::vector<std::pair<int, RenewReason>> due;
    for (int w : waves) {
        const RenewReason why =
            ReferenceDue(settings, w, UseSince(records, settings, w, lastReconnect, now), now);
        if (why != RenewReason::None)
            due.emplace_back(w, why);
    }
    return due;
}

QString ReferencesDueText(const std::vector<std::pair<int, RenewReason>>& due,
                          const CertificationSettings& settings, Language language) {
    if (due.empty())
        return {};
    QStringList waves;
    for (const auto& [wave, why] : due)
        waves
            << QStringLiteral("%1 nm (%2)").arg(wave).arg(RenewReasonText(why, settings, language));
    return Pick(reftext::kDueLine, language).arg(waves.join(QStringLiteral(", ")));
}

LengthSource LengthSourceOf(const CertificationSettings& settings, bool planHasLengths) {
    const bool budget = std::any_of(settings.limits.begin(), settings.limits.end(),
                                    [](auto& l) { return l.kind == WaveLimit::Kind::Budget; });
    if (!budget)
        return LengthSource::None;
    return planHasLengths ? LengthSource::Plan : LengthSource::Typed;
}

QString MethodStandardText(const CertificationSettings& settings) {
    std::set<FibreMode> modes = ModesIn(settings);
    if (modes.empty())
        modes = {FibreMode::Multimode, FibreMode::SingleMode};
    QStringList names;
    for (FibreMode mode : modes)
        names << StandardName(settings.method, mode);
    return names.join(QStringLiteral(", "));
}

QString LaunchText(LaunchCondition launch, Language language) {
    switch (launch) {
    case LaunchCondition::EncircledFlux:
        return Pick(reftext::kLaunchEf, language);
    case LaunchCondition::NotEncircledFlux:
        return Pick(reftext::kLaunchNotEf, language);
    case LaunchCondition::Unknown:
        break;
    }
    return Pick(reftext::kLaunchUnknown, language);
}

QString LengthSourceText(LengthSource source, Language language) {
    switch (source) {
    case LengthSource::Typed:
        return Pick(reftext::kLengthTyped, language);
    case LengthSource::Plan:
        return Pick(reftext::kLengthPlan, language);
    case LengthSource::None:
        break;
    }
    return Pick(reftext::kLengthNone, language);
}

QString RenewReasonText(RenewReason reason, const CertificationSettings& settings,
                        Language language) {
    switch (reason) {
    case RenewReason::Missing:
        return Pick(reftext::kDueMissing, language);
    case RenewReason::NegativeLoss:
        return Pick(reftext::kDueNegative, language);
    case RenewReason::Reconnected:
        return Pick(reftext::kDueReconnected, language);
    case RenewReason::Stale:
        return Pick(reftext::kDueStale, language);
    case RenewReason::Readings:
        return Pick(reftext::kDueReadings, language).arg(settings.workflow.renewAfterReadings);
    case RenewReason::None:
        break;
    }
    return {};
}

void AddWorkflowJson(QJsonObject& json, const CertificationSettings& settings) {
    const ReferenceWorkflow& w = settings.workflow;
    if (w.IsDefault())
        return;
    QJsonArray verifications;
    for (const CordVerification& v : w.verifications)
        verifications.append(VerificationJson(v));
    QJsonObject o{{"verifications", verifications},
                  {"launch", kLaunchKeys[std::size_t(w.launch)]},
                  {"renew_after_readings", w.renewAfterReadings},
                  {"method_standard", MethodStandardText(settings)}};
    if (w.calibrationDue.isValid())
        o.insert("calibration_due", w.calibrationDue.toString(Qt::ISODate));
    json.insert("workflow", o);
}

ReferenceWorkflow WorkflowFromJson(const QJsonValue& json) {
    ReferenceWorkflow w;
    const QJsonObject o = json.toObject();
    const QString launch = o.value("launch").toString();
    for (std::size_t i = 0; i < kLaunchKeys.size(); ++i)
        if (launch == QLatin1String(kLaunchKeys[i]))
            w.launch = LaunchCondition(i);
    w.calibrationDue =
        QDate::fromString(o.value("calibration_due").toString().left(10), Qt::ISODate);
    const double renew = o.value("renew_after_readings").toDouble(0);
    w.renewAfterReadings = renew >= 0 && renew <= kMaxRenewReadings ? int(renew) : 0;
    for (const QJsonValue& v : o.value("verifications").toArray()) {
        if (w.verifications.size() >= kMaxWaves)
            break;
        if (const auto verification = VerificationFrom(v.toObject()))
            w.SetVerification(*verification);
    }
    return w;
}

} // namespace vemla
