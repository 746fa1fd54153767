#include "Certification.h"

#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace vemla {
namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);

RecordValues Reading(int wavelength, float power, bool relative = false, float reference = 0) {
    RecordValues r;
    r.wavelength = uint16_t(wavelength);
    r.power = power;
    r.relative = relative;
    r.reference = reference;
    return r;
}

CertificationSettings Settings() {
    CertificationSettings s;
    s.enabled = true;
    s.link.lengthKm = 0.842;
    s.link.connectorPairs = 2;
    s.SetLimit({850, WaveLimit::Kind::Budget, 0, 3.5});
    s.SetLimit({1300, WaveLimit::Kind::Fixed, 2.0, 0});
    s.SetLimit({1310, WaveLimit::Kind::Fixed, 3.70, 0});
    s.SetReference({850, -20.0, kNow.addSecs(-3600)});
    s.SetReference({1300, -21.0, kNow.addSecs(-25 * 3600)});
    // Shown 10:00 and 09:59 the day before kNow (10:00): 24 h and 24 h 1 min old as printed.
    s.SetLimit({1490, WaveLimit::Kind::Fixed, 3.0, 0});
    s.SetReference({1490, -10.0, kNow.addSecs(-24 * 3600 + 59)});
    s.SetLimit({1610, WaveLimit::Kind::Fixed, 3.0, 0});
    s.SetReference({1610, -10.0, kNow.addSecs(-24 * 3600 - 1)});
    return s;
}

// The published worked example (4.447 dB) is the first row's budget without its splices and
// design margin; reference-grade ends count at their own figure, at most two of them.
TEST(Certification, BudgetCountsEndsSplicesAndTheDesignMargin) {
    const std::tuple<int, std::optional<double>, double> cases[] = {
        {2, std::nullopt, 4.447 + 0.9 + 0.5},
        {3, 0.3, 2.947 + 0.6 + 0.75 + 0.9 + 0.5},
        {1, 0.3, 2.947 + 0.3 + 0.9 + 0.5},
    };
    for (const auto& [pairs, ends, budget] : cases) {
        LinkBudget link;
        link.lengthKm = 0.842;
        link.connectorPairs = pairs;
        link.splices = 3;
        link.designMarginDb = 0.5;
        link.endConnectionDb = ends;
        EXPECT_NEAR(BudgetLossDb(link, 3.5), budget, 1e-9) << pairs;
    }
}

struct VerdictCase {
    const char* what;
    RecordValues record;
    std::optional<double> loss;
    Verdict verdict;
    bool stale;
    const char* english; // the Chinese text is this one's words translated
};

QString InChinese(const char* english) {
    return QString::fromUtf8(english)
        .replace("PASS", QString::fromUtf8("合格"))
        .replace("FAIL", QString::fromUtf8("不合格"))
        .replace("CHECK REF", QString::fromUtf8("检查参考"))
        .replace("stale reference", QString::fromUtf8("参考已过期"));
}

void ExpectVerdicts(std::initializer_list<VerdictCase> cases) {
    const CertificationSettings s = Settings();
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.what);
        const RecordResult r = Evaluate(c.record, s, kNow);
        ASSERT_EQ(r.lossDb.has_value(), c.loss.has_value());
        if (c.loss) {
            EXPECT_NEAR(*r.lossDb, *c.loss, 1e-5);
        }
        EXPECT_EQ(r.verdict, c.verdict);
        EXPECT_EQ(r.staleReference, c.stale);
        EXPECT_EQ(ResultText(r, Language::English), QString::fromUtf8(c.english));
        EXPECT_EQ(ResultText(r, Language::Chinese), InChinese(c.english));
    }
}

// One row per branch of the rule.
TEST(Certification, VerdictOfEachBranch) {
    ExpectVerdicts({
        {"relative: L = r - p", Reading(850, -24.0f, true, -20.0f), 4.0, Verdict::Pass, false,
         "PASS +0.45 dB"},
        {"reference held: L = R - p", Reading(850, -25.0f), 5.0, Verdict::Fail, false,
         "FAIL -0.55 dB"},
        {"loss of -0.31 warns", Reading(1310, -9.69f, true, -10.0f), -0.31, Verdict::NegativeLoss,
         false, "CHECK REF"},
        {"reference shown exactly the stale age before is fresh", Reading(1490, -12.0f), 2.0,
         Verdict::Pass, false, "PASS +1.00 dB"},
        {"reference shown a minute older is stale", Reading(1610, -12.0f), 2.0, Verdict::Pass, true,
         "PASS +1.00 dB (stale reference)"},
        {"lowest reading there is", Reading(850, -100.0f), 80.0, Verdict::Fail, false,
         "FAIL -75.55 dB"},
        {"no reference: no loss", Reading(1550, -22.0f), std::nullopt, Verdict::None, false,
         "\u2014"},
        {"loss without a limit", Reading(1550, -3.0f, true, 0.0f), 3.0, Verdict::None, false,
         "\u2014"},
    });
}

// One row per edge of the shown resolution.
TEST(Certification, VerdictAtTheShownResolution) {
    ExpectVerdicts({
        // As floats, -3.7f is a loss of 3.70000005 dB and -24.447f under -20 dBm one of
        // 4.4470005 dB: a hair over the limit in binary, equal to it as the meter reads.
        {"float reading at a fixed limit passes", Reading(1310, -3.7f, true, 0.0f), 3.7,
         Verdict::Pass, false, "PASS +0.00 dB"},
        {"float reading at a budget limit passes", Reading(850, -24.447f), 4.45, Verdict::Pass,
         false, "PASS +0.00 dB"},
        // Judged as printed: -3.705f is 3.70499992 dB and -3.695f 3.69499993 dB, shown 3.70 and
        // 3.69; an exact binary half (2.125) is shown, and judged, to even.
        {"half a step over the limit as stored is the limit as shown",
         Reading(1310, -3.705f, true, 0.0f), 3.70, Verdict::Pass, false, "PASS +0.00 dB"},
        {"half a step under the limit as stored", Reading(1310, -3.695f, true, 0.0f), 3.69,
         Verdict::Pass, false, "PASS +0.01 dB"},
        {"an exact half is judged as printed, to even", Reading(1300, -2.125f, true, 0.0f), 2.12,
         Verdict::Fail, false, "FAIL -0.12 dB"},
        // -10 - (-9.70f) is -0.3000002 in binary, -0.30 as shown: not below -0.30.
        {"loss of exactly -0.30 as shown passes", Reading(1310, -9.70f, true, -10.0f), -0.30,
         Verdict::Pass, false, "PASS +4.00 dB"},
        {"one resolution step over the limit fails", Reading(1310, -3.71f, true, 0.0f), 3.71,
         Verdict::Fail, false, "FAIL -0.01 dB"},
    });
}

// Margin and uncertainty are both compared as shown, to the hundredth: a margin of exactly the
// uncertainty is not marginal, a hundredth less is.
TEST(Certification, MarginalWithinTheUncertaintyAsShown) {
    const std::tuple<const char*, double, std::optional<double>, const char*> cases[] = {
        {"margin at the uncertainty", 3.80, 0.20, "PASS +0.20 dB"},
        {"a hundredth inside it", 3.81, 0.20, "PASS* +0.19 dB"},
        {"failing by the uncertainty", 4.20, 0.20, "FAIL -0.20 dB"},
        {"failing by a hundredth less", 4.19, 0.20, "FAIL* -0.19 dB"},
        {"no margin at all", 4.00, 0.20, "PASS* +0.00 dB"},
        // Margins of 0.195 dB: 3.805 is stored as 3.80500…02, shown 3.81, a margin of 0.19;
        // 4.195 as 4.19500…03, shown 4.20, failing by 0.20.
        {"margin 0.195 that shows 0.19", 3.805, 0.20, "PASS* +0.19 dB"},
        {"margin -0.195 that shows -0.20", 4.195, 0.20, "FAIL -0.20 dB"},
        // 0.195 is stored as 0.19500…01 and 0.205 as 0.20499…: both shown, and used, as 0.20.
        {"uncertainty 0.195 is 0.20", 3.80, 0.195, "PASS +0.20 dB"},
        {"uncertainty 0.205 is 0.20", 3.80, 0.205, "PASS +0.20 dB"},
        {"uncertainty 0.2051 is 0.21", 3.80, 0.2051, "PASS* +0.20 dB"},
        {"without an uncertainty", 3.99, std::nullopt, "PASS +0.01 dB"},
        {"a negative loss is a warning only", -0.50, 1.0, "CHECK REF"},
    };
    for (const auto& [what, loss, uncertainty, english] : cases) {
        SCOPED_TRACE(what);
        const RecordResult r = JudgeLoss(loss, 4.00, uncertainty);
        EXPECT_EQ(ResultText(r, Language::English), QString::fromUtf8(english));
        EXPECT_EQ(ResultText(r, Language::Chinese), InChinese(english));
    }
}

TEST(Certification, ValuesOutOfRangeAreNoReading) {
    for (const RecordValues& r : {Reading(850, -100.5f), Reading(850, 3.4e38f), Reading(1610, NAN),
                                  Reading(1310, -3.0f, true, 1500.0f)})
        ExpectVerdicts({{"out of range", r, std::nullopt, Verdict::None, false, "\u2014"}});
}

// Figures print as they are judged; inputs print as typed, at least two decimals.
TEST(Certification, FiguresAtTheShownResolutionAndInputsAsGiven) {
    const std::tuple<double, const char*, const char*> cases[] = {
        {4.447, "4.45", "4.447"}, {2.675, "2.67", "2.675"},
        {0.3, "0.30", "0.30"},    {-0.0049, "0.00", "-0.0049"},
        {NAN, "\u2014", "nan"},   {1e13, "\u2014", "10000000000000.00"},
    };
    for (const auto& [value, shown, input] : cases) {
        EXPECT_EQ(DbText(value), QString::fromUtf8(shown)) << value;
        EXPECT_EQ(InputText(value), QString::fromUtf8(input)) << value;
    }
}

TEST(Certification, SummaryAndOverallVerdict) {
    const CertificationSettings s = Settings();
    const std::vector<RecordValues> records{Reading(850, -24.0f, true, -20.0f),
                                            Reading(850, -25.0f), Reading(1300, -22.5f),
                                            Reading(1550, -22.0f), Reading(850, -19.5f)};
    const std::vector<WaveSummary> summary = Summarize(records, s, kNow);
    ASSERT_EQ(summary.size(), 3u);
    const WaveSummary& w = summary[0];
    EXPECT_EQ(std::tuple(w.wavelength, w.count, w.pass, w.fail, w.warnings),
              std::tuple(850, 3, 1, 1, 1));
    EXPECT_NEAR(*w.worstMarginDb, -0.55, 1e-9); // 4.45 as shown − 5.00
    EXPECT_EQ(summary[2].noResult, 1);
    EXPECT_FALSE(summary[2].worstMarginDb);
    EXPECT_EQ(OverallVerdict(summary), Verdict::Fail);
    // Meter 0.3 and source 0.4 dB make 0.5 dB (root-sum-square): the +0.45 margin is marginal,
    // the -0.55 is not; the certificate's line is CertificateTest's, one figure alone here.
    CertificationSettings uncertain = s;
    uncertain.meterUncertaintyDb = 0.3;
    uncertain.sourceUncertaintyDb = 0.4;
    EXPECT_EQ(w.marginal, 0);
    EXPECT_EQ(Summarize(records, uncertain, kNow)[0].marginal, 1);
    uncertain.meterUncertaintyDb.reset();
    EXPECT_EQ(UncertaintyText(uncertain, Language::Chinese), "0.40 dB（光源）");
    EXPECT_EQ(OverallVerdict(Summarize({Reading(1300, -22.5f)}, s, kNow)), Verdict::Pass);
    // A record without a result keeps the job from passing.
    EXPECT_EQ(OverallVerdict(Summarize({Reading(1300, -22.5f), Reading(1550, -1.0f)}, s, kNow)),
              Verdict::None);
}

// Figures copied by hand from the sources the manual cites (TIA-568: the FOA's loss-budget notes;
// reference-grade ends: Fluke Networks' knowledge base; ISO/IEC 11801-1 categories) as each
// preset's worked example at its two wavelengths, on one link: 842 m, three connector pairs (two
// of them the ends), one splice. Budget = 0.842 × attenuation + ends + other pairs × 0.75 + 0.3.
TEST(Certification, PresetFiguresAndTheirWorkedExamples) {
    const char* d = "TIA-568.3-D (2016)";
    const char* e = "TIA-568.3-E (2022)";
    const char* iso = "ISO/IEC 11801-1 (2017)";
    const char* ref = "ISO/IEC 14763-3 with 11801-1 (2017)";
    const std::tuple<const char*, const char*, std::optional<double>, int, double, int, double>
        presets[] = {
            {"TIA-568.3-D multimode", d, {}, 850, 5.497, 1300, 3.813},
            {"TIA-568.3-D single-mode, inside plant", d, {}, 1310, 3.392, 1550, 3.392},
            {"TIA-568.3-D single-mode, outside plant", d, {}, 1310, 2.971, 1550, 2.971},
            {"ISO/IEC 11801 OM", iso, {}, 850, 5.497, 1300, 3.813},
            {"ISO/IEC 11801 OS1a", iso, {}, 1310, 3.392, 1550, 3.392},
            {"ISO/IEC 11801 OS2", iso, {}, 1310, 2.8868, 1550, 2.8868}, // 0.4 dB/km
            {"TIA-568.3-E multimode", e, 0.5, 850, 4.997, 1300, 3.313},
            {"TIA-568.3-E single-mode, inside plant", e, 0.5, 1310, 2.892, 1550, 2.892},
            {"TIA-568.3-E single-mode, outside plant", e, 0.5, 1310, 2.471, 1550, 2.471},
            {"ISO/IEC 14763-3 OM, reference-grade ends", ref, 0.3, 850, 4.597, 1300, 2.913},
            {"ISO/IEC 14763-3 OS1a, reference-grade ends", ref, 0.5, 1310, 2.892, 1550, 2.892},
            {"ISO/IEC 14763-3 OS2, reference-grade ends", ref, 0.5, 1310, 2.3868, 1550, 2.3868},
        };
    ASSERT_EQ(Presets().size(), std::size(presets) + 1); // and "custom"
    for (size_t i = 0; i < std::size(presets); ++i) {
        const auto& [name, edition, ends, wave1, budget1, wave2, budget2] = presets[i];
        SCOPED_TRACE(name);
        CertificationSettings s = Settings(); // its fixed 1490 nm limit stays
        s.link.connectorPairs = 3;
        s.link.splices = 1;
        ApplyPreset(s, Presets()[i]);
        EXPECT_EQ(std::tuple(s.preset, s.edition, s.link.endConnectionDb),
                  std::tuple(QString(name), QString(edition), ends));
        EXPECT_NEAR(*LimitDb(s, wave1), budget1, 1e-9);
        EXPECT_NEAR(*LimitDb(s, wave2), budget2, 1e-9);
        EXPECT_DOUBLE_EQ(*LimitDb(s, 1490), 3.0);
    }
    // Custom names the values as they stand.
    CertificationSettings s = Settings();
    ApplyPreset(s, Presets()[6]);
    ApplyPreset(s, Presets().back());
    EXPECT_EQ(std::tuple(s.preset, s.edition, s.link.endConnectionDb),
              std::tuple(QString("custom"), QString(), std::optional<double>(0.5)));
    EXPECT_NEAR(*LimitDb(s, 850), 0.842 * 3.5 + 1.0, 1e-9);
}

TEST(Certification, KeptInSettingsAndReadBackBounded) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("Vemla.conf"), QSettings::IniFormat);
    SaveCertification(settings, Settings());
    const CertificationSettings back = LoadCertification(settings);
    EXPECT_EQ(CertificationToJson(back), CertificationToJson(Settings()));
    EXPECT_EQ(back.ReferenceAt(850)->taken, kNow.addSecs(-3600));
    CertificationSettings chosen = Settings();
    ApplyPreset(chosen, Presets()[9]);
    chosen.meterUncertaintyDb = 0.1;
    chosen.sourceUncertaintyDb = 0.2;
    SaveCertification(settings, chosen);
    EXPECT_EQ(CertificationToJson(LoadCertification(settings)), CertificationToJson(chosen));

    // Kept before editions, end connections and uncertainties existed: read as it was judged,
    // and written back byte for byte.
    const QByteArray older = R"({"connector_pairs":2,"design_margin_dB":0,"enabled":true,)"
                             R"("length_km":0.842,"limits":[{"attenuation_dB_per_km":3.5,)"
                             R"("kind":"budget","wavelength":850}],"loss_per_pair_dB":0.75,)"
                             R"("loss_per_splice_dB":0.3,"method":"one-cord","preset":)"
                             R"("TIA-568.3-D multimode","references":[],"splices":0,)"
                             R"("stale_after_hours":24})";
    const CertificationSettings old =
        CertificationFromJson(QJsonDocument::fromJson(older).object());
    EXPECT_NEAR(*LimitDb(old, 850), 4.447, 1e-9);
    EXPECT_FALSE(UncertaintyDb(old));
    EXPECT_EQ(QJsonDocument(CertificationToJson(old)).toJson(QJsonDocument::Compact), older);

    // Hand-edited or damaged values fall back or are dropped, never taken.
    const auto bad = QJsonDocument::fromJson(R"({"enabled":true,"length_km":-5,
        "connector_pairs":1e9,"stale_after_hours":"x","limits":[{"wavelength":99999},
        {"wavelength":1310,"kind":"fixed","max_loss_dB":1e308}],
        "references":[{"wavelength":1310,"dBm":"nan"},{"wavelength":850}],
        "end_connection_dB":-0.3,"meter_uncertainty_dB":1e308,"source_uncertainty_dB":"0.2"})");
    const CertificationSettings c = CertificationFromJson(bad.object());
    EXPECT_TRUE(c.enabled);
    EXPECT_DOUBLE_EQ(c.link.lengthKm, 0.0);
    EXPECT_EQ(c.link.connectorPairs, 2);
    EXPECT_DOUBLE_EQ(c.staleAfterHours, 24.0);
    ASSERT_EQ(c.limits.size(), 1u);
    EXPECT_DOUBLE_EQ(c.limits[0].maxLossDb, 0.0);
    EXPECT_TRUE(c.references.empty());
    EXPECT_EQ(std::tuple(c.link.endConnectionDb, UncertaintyDb(c)),
              std::tuple(std::optional<double>(), std::optional<double>()));
}

} // namespace
} // namespace vemla
