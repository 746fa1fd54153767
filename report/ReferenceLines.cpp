#include "ReferenceLines.h"

#include <array>

namespace vemla {
namespace {

using K = PagedLine::Kind;

// A verification that no longer stands says so instead of its verdict.
QString VerificationResult(const CertificationSettings& c, const CordVerification& v,
                           Language language) {
    if (c.ReferenceAt(v.wavelength) == nullptr)
        return Pick(reftext::kDueMissing, language);
    if (VerificationInForce(c, v.wavelength) != &v)
        return Pick(reftext::kVerifyVoid, language);
    return VerdictText(v.pass ? Verdict::Pass : Verdict::Fail, language);
}

void AddVerificationLines(std::vector<PagedLine>& lines, const CertificationSettings& c,
                          Language language) {
    const auto pick = [language](const BilingualText& t) { return Pick(t, language); };
    lines.push_back({K::Heading, {pick(reftext::kVerifications)}});
    lines.push_back(
        {K::Cells,
         {pick(text::kCertWavelength), pick(reftext::kVerifyReading), pick(reftext::kVerifyLimit),
          pick(reftext::kVerifyCords), pick(text::kCertTaken), pick(certtext::kResultColumn)}});
    for (const CordVerification& v : c.workflow.verifications)
        lines.push_back(
            {K::Cells,
             {QString::number(v.wavelength), DbText(v.lossDb), DbText(TrcLimitDb(v.wavelength)),
              v.cords, v.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
              VerificationResult(c, v, language)}});
}

} // namespace

void AddReferenceWorkflowLines(std::vector<PagedLine>& lines, const CertificationSettings& c,
                               LengthSource length, Language language, const QDate& today) {
    const auto pick = [language](const BilingualText& t) { return Pick(t, language); };
    const ReferenceWorkflow& w = c.workflow;
    // Once the limits name their edition or the references' settings are used: a certificate
    // of settings made before either stays as it was.
    if (!c.edition.isEmpty() || !w.IsDefault()) {
        lines.push_back({K::Field, {pick(reftext::kMethodStandard), MethodStandardText(c)}});
        lines.push_back(
            {K::Field, {pick(reftext::kLengthFrom), LengthSourceText(length, language)}});
    }
    if (w.launch != LaunchCondition::Unknown)
        lines.push_back({K::Field, {pick(reftext::kLaunch), LaunchText(w.launch, language)}});
    if (w.calibrationDue.isValid()) {
        QString due = w.calibrationDue.toString(Qt::ISODate);
        if (CalibrationPast(w, today))
            due += QLatin1Char(' ') + pick(reftext::kCalibrationPast);
        lines.push_back({K::Field, {pick(reftext::kCalibrationDue), due}});
    }
    if (!w.verifications.empty())
        AddVerificationLines(lines, c, language);
}

void AddMeterLines(std::vector<PagedLine>& lines, const HeaderFields& meter, Language language) {
    const std::array<std::pair<const BilingualText*, const QString*>, 3> fields{
        {{&reftext::kMeterModel, &meter.model},
         {&reftext::kMeterSerial, &meter.serialNumber},
         {&reftext::kOperator, &meter.testOperator}}};
    for (const auto& [label, value] : fields)
        if (!value->isEmpty())
            lines.push_back({K::Field, {Pick(*label, language), *value}});
}

} // namespace vemla
