#include "Certification.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

namespace vemla {

namespace {

double Bounded(double value, double low, double high, double fallback) {
    return std::isfinite(value) && value >= low && value <= high ? value : fallback;
}

// A figure that may be absent: none when it is missing or no number from 0 to high.
std::optional<double> OptionalBounded(const QJsonValue& value, double high) {
    const double v = value.toDouble(NAN);
    if (!value.isDouble() || !std::isfinite(v) || v < 0 || v > high)
        return std::nullopt;
    return v;
}

int BoundedInt(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}

template <typename T> void Replace(std::vector<T>& items, const T& item) {
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const T& x) { return x.wavelength == item.wavelength; });
    if (it != items.end())
        *it = item;
    else
        items.push_back(item);
    std::sort(items.begin(), items.end(),
              [](const T& a, const T& b) { return a.wavelength < b.wavelength; });
}

template <typename T> const T* Find(const std::vector<T>& items, int wavelength) {
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const T& x) { return x.wavelength == wavelength; });
    return it == items.end() ? nullptr : &*it;
}

// The value in hundredths of a dB exactly as its two-decimal text reads: std::to_chars rounds
// the binary value as printf does, so the figure judged and the figure printed are one.
std::optional<long long> Hundredths(double dB) {
    if (!std::isfinite(dB) || std::fabs(dB) > 1e12)
        return std::nullopt;
    char text[32];
    const auto printed = std::to_chars(text, text + sizeof text, dB, std::chars_format::fixed, 2);
    if (printed.ec != std::errc())
        return std::nullopt;
    // "-12.34" without its point is "-1234".
    char* const point = printed.ptr - 3;
    std::copy(point + 1, printed.ptr, point);
    long long hundredths = 0;
    if (std::from_chars(text, printed.ptr - 1, hundredths).ec != std::errc())
        return std::nullopt;
    return hundredths;
}

double FromHundredths(long long hundredths) {
    return double(hundredths) / 100.0; // never −0.0: a zero margin reads "+0.00"
}

QString Signed(double value) {
    return QString::asprintf("%+.2f", value);
}

QString MethodKey(ReferenceMethod method) {
    switch (method) {
    case ReferenceMethod::TwoCord:
        return QStringLiteral("two-cord");
    case ReferenceMethod::ThreeCord:
        return QStringLiteral("three-cord");
    case ReferenceMethod::OneCord:
        break;
    }
    return QStringLiteral("one-cord");
}

ReferenceMethod MethodOfKey(const QString& key) {
    if (key == QLatin1String("two-cord"))
        return ReferenceMethod::TwoCord;
    if (key == QLatin1String("three-cord"))
        return ReferenceMethod::ThreeCord;
    return ReferenceMethod::OneCord;
}

} // namespace

const WaveLimit* CertificationSettings::LimitAt(int wavelength) const {
    return Find(limits, wavelength);
}

const LossReference* CertificationSettings::ReferenceAt(int wavelength) const {
    return Find(references, wavelength);
}

void CertificationSettings::SetLimit(const WaveLimit& limit) {
    Replace(limits, limit);
}

void CertificationSettings::SetReference(const LossReference& reference) {
    Replace(references, reference);
}

double BudgetLossDb(const LinkBudget& link, double attenuationDbPerKm) {
    const int ends = link.endConnectionDb ? std::min(link.connectorPairs, 2) : 0;
    return link.lengthKm * attenuationDbPerKm + ends * link.endConnectionDb.value_or(0.0) +
           (link.connectorPairs - ends) * link.lossPerPairDb + link.splices * link.lossPerSpliceDb +
           link.designMarginDb;
}

std::optional<double> LimitDb(const CertificationSettings& settings, int wavelength) {
    const WaveLimit* limit = settings.LimitAt(wavelength);
    if (limit == nullptr)
        return std::nullopt;
    if (limit->kind == WaveLimit::Kind::Fixed)
        return limit->maxLossDb;
    return BudgetLossDb(settings.link, limit->attenuationDbPerKm);
}

std::optional<double> UncertaintyDb(const CertificationSettings& settings) {
    const auto& meter = settings.meterUncertaintyDb;
    const auto& source = settings.sourceUncertaintyDb;
    if (meter && source)
        return std::hypot(*meter, *source);
    return meter ? meter : source;
}

std::optional<double> AtResolution(double dB) {
    const auto h = Hundredths(dB);
    return h ? std::optional<double>(FromHundredths(*h)) : std::nullopt;
}

QString DbText(double dB) {
    const auto shown = AtResolution(dB);
    return shown ? QString::number(*shown, 'f', kShownDecimals) : QString::fromUtf8(kNoResultText);
}

QString FigureText(const std::optional<double>& dB) {
    return dB ? DbText(*dB) : QString::fromUtf8(kNoResultText);
}

QString InputText(double value) {
    QString text = QString::number(value, 'f', 10);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text;
    qsizetype end = text.size();
    while (end > point + 1 + kShownDecimals && text.at(end - 1) == QLatin1Char('0'))
        --end;
    return text.left(end);
}

bool IsStale(const LossReference& reference, double staleAfterHours, const QDateTime& now) {
    if (!reference.taken.isValid())
        return true;
    if (!now.isValid())
        return false; // no time to judge against
    const auto minute = [](const QDateTime& t) {
        const qint64 s = t.toSecsSinceEpoch();
        return s / 60 - (s % 60 < 0 ? 1 : 0);
    };
    return double(minute(now) - minute(reference.taken)) > staleAfterHours * 60.0;
}

RecordResult JudgeLoss(std::optional<double> lossDb, std::optional<double> limitDb,
                       std::optional<double> uncertaintyDb) {
    RecordResult result;
    const auto limitH = limitDb ? Hundredths(*limitDb) : std::nullopt;
    if (limitH)
        result.limitDb = FromHundredths(*limitH);
    const auto lossH = lossDb ? Hundredths(*lossDb) : std::nullopt;
    if (!lossH)
        return result;
    result.lossDb = FromHundredths(*lossH);
    if (*lossH < std::llround(kNegativeLossWarningDb * 100)) {
        result.verdict = Verdict::NegativeLoss;
        return result;
    }
    if (!limitH)
        return result;
    result.marginDb = FromHundredths(*limitH - *lossH);
    result.verdict = *lossH <= *limitH ? Verdict::Pass : Verdict::Fail;
    const auto uncertaintyH = uncertaintyDb ? Hundredths(*uncertaintyDb) : std::nullopt;
    result.marginal = uncertaintyH && std::llabs(*limitH - *lossH) < *uncertaintyH;
    return result;
}

RecordResult Evaluate(const RecordValues& record, const CertificationSettings& settings,
                      const QDateTime& now) {
    std::optional<double> loss;
    bool stale = false;
    if (!IsPowerReading(record.power)) {
        // No reading: no loss, whatever the reference.
    } else if (record.relative) {
        if (IsPowerReading(record.reference))
            loss = double(record.reference) - double(record.power);
    } else if (const LossReference* ref = settings.ReferenceAt(record.wavelength)) {
        loss = ref->dBm - double(record.power);
        stale = IsStale(*ref, settings.staleAfterHours, now);
    }
    RecordResult result =
        JudgeLoss(loss, LimitDb(settings, record.wavelength), UncertaintyDb(settings));
    result.staleReference = stale && result.lossDb.has_value();
    return result;
}

std::vector<WaveSummary> Summarize(const std::vector<RecordValues>& records,
                                   const CertificationSettings& settings, const QDateTime& now) {
    std::map<int, WaveSummary> waves;
    for (const RecordValues& record : records) {
        WaveSummary& s = waves[record.wavelength];
        s.wavelength = record.wavelength;
        ++s.count;
        const RecordResult r = Evaluate(record, settings, now);
        switch (r.verdict) {
        case Verdict::Pass:
            ++s.pass;
            break;
        case Verdict::Fail:
            ++s.fail;
            break;
        case Verdict::NegativeLoss:
            ++s.warnings;
            break;
        case Verdict::None:
            ++s.noResult;
            break;
        }
        s.marginal += r.marginal ? 1 : 0;
        if (r.marginDb && (!s.worstMarginDb || *r.marginDb < *s.worstMarginDb))
            s.worstMarginDb = r.marginDb;
    }
    std::vector<WaveSummary> out;
    out.reserve(waves.size());
    for (const auto& entry : waves)
        out.push_back(entry.second);
    return out;
}

Verdict OverallVerdict(const std::vector<WaveSummary>& summary) {
    int count = 0;
    int pass = 0;
    for (const WaveSummary& s : summary) {
        if (s.fail > 0)
            return Verdict::Fail;
        count += s.count;
        pass += s.pass;
    }
    return count > 0 && pass == count ? Verdict::Pass : Verdict::None;
}

const std::vector<CertificationPreset>& Presets() {
    // Maxima from the standards' published summaries: connector pair and splice loss, the
    // reference-grade end connections where the edition allows them less, and the cabled
    // fibre's attenuation at the wavelengths each fibre type is tested at. Archived results name
    // these entries: an existing one is never renamed nor its figures changed.
    static constexpr const char* kTiaD = "TIA-568 maxima as the FOA's loss-budget notes give them";
    static constexpr const char* kTiaE =
        "Reference-grade to standard-grade connection 0.50 dB, multimode and single-mode: Fluke "
        "Networks knowledge base on TIA-568.3-E; fibre and pair figures as in -D";
    static constexpr const char* kIso = "ISO/IEC 11801-1 cabled fibre categories (OM, OS1a, OS2)";
    static constexpr const char* kRef =
        "Reference-grade to standard-grade connection 0.30 dB multimode, 0.50 dB single-mode: "
        "Fluke Networks knowledge base on ISO/IEC 14763-3";
    static constexpr const char* kRefEdition = "ISO/IEC 14763-3 with 11801-1 (2017)";
    const std::vector<std::pair<int, double>> om{{850, 3.5}, {1300, 1.5}};
    const std::vector<std::pair<int, double>> inside{{1310, 1.0}, {1550, 1.0}};
    const std::vector<std::pair<int, double>> outside{{1310, 0.5}, {1550, 0.5}};
    const std::vector<std::pair<int, double>> os2{{1310, 0.4}, {1550, 0.4}};
    // One preset a line: name, edition, source, per pair, per splice, ends, attenuations.
    // clang-format off
    static const std::vector<CertificationPreset> presets{
        {{"TIA-568.3-D multimode", "TIA-568.3-D 多模"}, "TIA-568.3-D (2016)", kTiaD, 0.75, 0.3, {}, om},
        {{"TIA-568.3-D single-mode, inside plant", "TIA-568.3-D 单模（室内）"}, "TIA-568.3-D (2016)", kTiaD, 0.75, 0.3, {}, inside},
        {{"TIA-568.3-D single-mode, outside plant", "TIA-568.3-D 单模（室外）"}, "TIA-568.3-D (2016)", kTiaD, 0.75, 0.3, {}, outside},
        {{"ISO/IEC 11801 OM", "ISO/IEC 11801 OM 多模"}, "ISO/IEC 11801-1 (2017)", kIso, 0.75, 0.3, {}, om},
        {{"ISO/IEC 11801 OS1a", "ISO/IEC 11801 OS1a 单模"}, "ISO/IEC 11801-1 (2017)", kIso, 0.75, 0.3, {}, inside},
        {{"ISO/IEC 11801 OS2", "ISO/IEC 11801 OS2 单模"}, "ISO/IEC 11801-1 (2017)", kIso, 0.75, 0.3, {}, os2},
        {{"TIA-568.3-E multimode", "TIA-568.3-E 多模"}, "TIA-568.3-E (2022)", kTiaE, 0.75, 0.3, 0.5, om},
        {{"TIA-568.3-E single-mode, inside plant", "TIA-568.3-E 单模（室内）"}, "TIA-568.3-E (2022)", kTiaE, 0.75, 0.3, 0.5, inside},
        {{"TIA-568.3-E single-mode, outside plant", "TIA-568.3-E 单模（室外）"}, "TIA-568.3-E (2022)", kTiaE, 0.75, 0.3, 0.5, outside},
        {{"ISO/IEC 14763-3 OM, reference-grade ends", "ISO/IEC 14763-3 OM 多模（基准级端接）"}, kRefEdition, kRef, 0.75, 0.3, 0.3, om},
        {{"ISO/IEC 14763-3 OS1a, reference-grade ends", "ISO/IEC 14763-3 OS1a 单模（基准级端接）"}, kRefEdition, kRef, 0.75, 0.3, 0.5, inside},
        {{"ISO/IEC 14763-3 OS2, reference-grade ends", "ISO/IEC 14763-3 OS2 单模（基准级端接）"}, kRefEdition, kRef, 0.75, 0.3, 0.5, os2},
        {{"custom", "自定义"}, "", "", 0.0, 0.0, {}, {}},
    };
    // clang-format on
    return presets;
}

const CertificationPreset* FindPreset(const QString& name) {
    for (const CertificationPreset& preset : Presets())
        if (name ==
            QString::fromUtf8(preset.name.english.data(), qsizetype(preset.name.english.size())))
            return &preset;
    return nullptr;
}

QString PresetName(const QString& name, Language language) {
    const CertificationPreset* preset = FindPreset(name);
    return preset ? Pick(preset->name, language) : name;
}

void ApplyPreset(CertificationSettings& settings, const CertificationPreset& preset) {
    settings.preset =
        QString::fromUtf8(preset.name.english.data(), qsizetype(preset.name.english.size()));
    settings.edition = QString::fromUtf8(preset.edition);
    if (preset.IsCustom())
        return;
    settings.link.lossPerPairDb = preset.lossPerPairDb;
    settings.link.lossPerSpliceDb = preset.lossPerSpliceDb;
    settings.link.endConnectionDb = preset.endConnectionDb;
    for (const auto& wave : preset.attenuation) {
        WaveLimit limit;
        limit.wavelength = wave.first;
        limit.kind = WaveLimit::Kind::Budget;
        limit.attenuationDbPerKm = wave.second;
        if (const WaveLimit* old = settings.LimitAt(wave.first))
            limit.maxLossDb = old->maxLossDb;
        settings.SetLimit(limit);
    }
}

QString LossText(const RecordResult& result) {
    return result.lossDb ? DbText(*result.lossDb) : QString();
}

QString VerdictText(Verdict verdict, Language language) {
    switch (verdict) {
    case Verdict::Pass:
        return Pick(certtext::kPass, language);
    case Verdict::Fail:
        return Pick(certtext::kFail, language);
    case Verdict::NegativeLoss:
        return Pick(certtext::kNegativeLoss, language);
    case Verdict::None:
        break;
    }
    return QString::fromUtf8(kNoResultText);
}

QString JudgedText(const RecordResult& result, Language language) {
    QString text = VerdictText(result.verdict, language);
    if (result.marginal && (result.verdict == Verdict::Pass || result.verdict == Verdict::Fail))
        text += QLatin1String(certtext::kMarginalMark);
    return text;
}

QString MarkedVerdictText(const RecordResult& result, Language language) {
    QString text = JudgedText(result, language);
    if (result.staleReference && result.lossDb)
        text += QStringLiteral(" (") + Pick(certtext::kStale, language) + QLatin1Char(')');
    return text;
}

QString ResultText(const RecordResult& result, Language language) {
    QString text = JudgedText(result, language);
    if (result.marginDb && (result.verdict == Verdict::Pass || result.verdict == Verdict::Fail))
        text += QLatin1Char(' ') + Signed(*result.marginDb) + QStringLiteral(" dB");
    if (result.staleReference && result.lossDb)
        text += QStringLiteral(" (") + Pick(certtext::kStale, language) + QLatin1Char(')');
    return text;
}

QString MethodText(ReferenceMethod method, Language language) {
    switch (method) {
    case ReferenceMethod::TwoCord:
        return Pick(certtext::kTwoCord, language);
    case ReferenceMethod::ThreeCord:
        return Pick(certtext::kThreeCord, language);
    case ReferenceMethod::OneCord:
        break;
    }
    return Pick(certtext::kOneCord, language);
}

QString UncertaintyText(const CertificationSettings& settings, Language language) {
    const auto& meter = settings.meterUncertaintyDb;
    const auto& source = settings.sourceUncertaintyDb;
    const auto used = UncertaintyDb(settings);
    if (!used)
        return {};
    if (meter && source)
        return Pick(certtext::kUncertaintyBoth, language)
            .arg(DbText(*used), InputText(*meter), InputText(*source));
    return Pick(meter ? certtext::kUncertaintyMeter : certtext::kUncertaintySource, language)
        .arg(DbText(*used));
}

QJsonObject CertificationToJson(const CertificationSettings& c) {
    QJsonArray limits;
    for (const WaveLimit& l : c.limits) {
        QJsonObject o{{"wavelength", l.wavelength},
                      {"kind", l.kind == WaveLimit::Kind::Fixed ? "fixed" : "budget"}};
        if (l.kind == WaveLimit::Kind::Fixed)
            o.insert("max_loss_dB", l.maxLossDb);
        else
            o.insert("attenuation_dB_per_km", l.attenuationDbPerKm);
        limits.append(o);
    }
    QJsonArray references;
    for (const LossReference& r : c.references)
        references.append(QJsonObject{{"wavelength", r.wavelength},
                                      {"dBm", r.dBm},
                                      {"taken", r.taken.toString(Qt::ISODate)}});
    QJsonObject json{
        {"enabled", c.enabled},
        {"preset", c.preset},
        {"method", MethodKey(c.method)},
        {"length_km", c.link.lengthKm},
        {"connector_pairs", c.link.connectorPairs},
        {"loss_per_pair_dB", c.link.lossPerPairDb},
        {"splices", c.link.splices},
        {"loss_per_splice_dB", c.link.lossPerSpliceDb},
        {"design_margin_dB", c.link.designMarginDb},
        {"stale_after_hours", c.staleAfterHours},
        {"limits", limits},
        {"references", references},
    };
    // Only when given, so settings made before these existed are kept byte for byte.
    if (!c.edition.isEmpty())
        json.insert("edition", c.edition);
    if (c.link.endConnectionDb)
        json.insert("end_connection_dB", *c.link.endConnectionDb);
    if (c.meterUncertaintyDb)
        json.insert("meter_uncertainty_dB", *c.meterUncertaintyDb);
    if (c.sourceUncertaintyDb)
        json.insert("source_uncertainty_dB", *c.sourceUncertaintyDb);
    AddWorkflowJson(json, c);
    return json;
}

CertificationSettings CertificationFromJson(const QJsonObject& json) {
    CertificationSettings c;
    const LinkBudget d;
    c.enabled = json.value("enabled").toBool(false);
    c.preset = json.value("preset").toString().left(200);
    c.edition = json.value("edition").toString().left(200);
    c.method = MethodOfKey(json.value("method").toString());
    c.link.lengthKm = Bounded(json.value("length_km").toDouble(d.lengthKm), 0, kMaxKm, d.lengthKm);
    c.link.connectorPairs = BoundedInt(json.value("connector_pairs").toInt(d.connectorPairs), 0,
                                       kMaxCount, d.connectorPairs);
    c.link.lossPerPairDb = Bounded(json.value("loss_per_pair_dB").toDouble(d.lossPerPairDb), 0,
                                   kMaxDb, d.lossPerPairDb);
    c.link.splices = BoundedInt(json.value("splices").toInt(d.splices), 0, kMaxCount, d.splices);
    c.link.lossPerSpliceDb = Bounded(json.value("loss_per_splice_dB").toDouble(d.lossPerSpliceDb),
                                     0, kMaxDb, d.lossPerSpliceDb);
    c.link.designMarginDb = Bounded(json.value("design_margin_dB").toDouble(d.designMarginDb), 0,
                                    kMaxDb, d.designMarginDb);
    c.link.endConnectionDb = OptionalBounded(json.value("end_connection_dB"), kMaxDb);
    c.meterUncertaintyDb = OptionalBounded(json.value("meter_uncertainty_dB"), kMaxUncertaintyDb);
    c.sourceUncertaintyDb = OptionalBounded(json.value("source_uncertainty_dB"), kMaxUncertaintyDb);
    c.staleAfterHours = Bounded(json.value("stale_after_hours").toDouble(c.staleAfterHours), 0,
                                kMaxStaleHours, c.staleAfterHours);
    for (const QJsonValue& v : json.value("limits").toArray()) {
        const QJsonObject o = v.toObject();
        WaveLimit l;
        l.wavelength = o.value("wavelength").toInt(0);
        if (l.wavelength <= 0 || l.wavelength > kMaxWavelength || c.limits.size() >= kMaxWaves)
            continue;
        l.kind = o.value("kind").toString() == QLatin1String("fixed") ? WaveLimit::Kind::Fixed
                                                                      : WaveLimit::Kind::Budget;
        l.maxLossDb = Bounded(o.value("max_loss_dB").toDouble(0), 0, kMaxDb, 0);
        l.attenuationDbPerKm = Bounded(o.value("attenuation_dB_per_km").toDouble(0), 0, kMaxDb, 0);
        c.SetLimit(l);
    }
    for (const QJsonValue& v : json.value("references").toArray()) {
        const QJsonObject o = v.toObject();
        LossReference r;
        r.wavelength = o.value("wavelength").toInt(0);
        const double dBm = o.value("dBm").toDouble(NAN);
        if (r.wavelength <= 0 || r.wavelength > kMaxWavelength || !std::isfinite(dBm) ||
            std::fabs(dBm) > kMaxDb || c.references.size() >= kMaxWaves)
            continue;
        r.dBm = dBm;
        r.taken = QDateTime::fromString(o.value("taken").toString().left(64), Qt::ISODate);
        c.SetReference(r);
    }
    c.workflow = WorkflowFromJson(json.value("workflow"));
    return c;
}

void SaveCertification(QSettings& settings, const CertificationSettings& certification) {
    // One JSON value under the group: the same reader checks the settings and the archive.
    settings.beginGroup(QStringLiteral("Certification"));
    settings.setValue(
        QStringLiteral("settings"),
        QString::fromUtf8(
            QJsonDocument(CertificationToJson(certification)).toJson(QJsonDocument::Compact)));
    settings.endGroup();
}

CertificationSettings LoadCertification(QSettings& settings) {
    settings.beginGroup(QStringLiteral("Certification"));
    const QByteArray text = settings.value(QStringLiteral("settings")).toString().toUtf8();
    settings.endGroup();
    // Bounded: a settings file is the operator's to edit, and can be anything.
    if (text.size() > (1 << 20))
        return {};
    return CertificationFromJson(QJsonDocument::fromJson(text).object());
}

} // namespace vemla
