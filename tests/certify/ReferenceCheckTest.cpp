// The reference's checks as tables: the mated cords' pass mark at the shown resolution, each
// reason a new reference is asked for, a verification voided by a newer reference, and the
// keeping of it all against hostile files. The dialog and the live window's button are
// tests/app's; the certificate's lines are tests/report's.
#include "Certification.h"

#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace vemla {
namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);

TEST(ReferenceCheck, CordsPassWithinTheMatedPairFigureAsShown) {
    // 0.105 and 0.205 are stored just below their halves, 0.195 just above: as printf shows them.
    const std::tuple<int, double, bool> cases[] = {
        {850, 0.10, true},   {850, 0.104, true},    {850, 0.105, true},  {850, 0.1051, false},
        {850, 0.11, false},  {850, -0.10, true},    {850, -0.11, false}, {1300, 0.10, true},
        {1300, 0.12, false}, {1310, 0.10, true},    {1310, 0.20, true},  {1310, 0.195, true},
        {1310, 0.205, true}, {1310, 0.2051, false}, {1550, 0.21, false}, {1625, -0.20, true},
        {1490, NAN, false},  {1550, 1e300, false},
    };
    for (const auto& [wave, loss, pass] : cases)
        EXPECT_EQ(TrcPasses(wave, loss), pass) << wave << " nm " << loss;
}

CertificationSettings Held() {
    CertificationSettings s;
    s.enabled = true;
    s.SetLimit({1310, WaveLimit::Kind::Fixed, 3.0, 0});
    s.SetReference({1310, 0.0, kNow.addSecs(-3600)});
    s.workflow.renewAfterReadings = 3;
    return s;
}

TEST(ReferenceCheck, EachReasonAskingForANewReference) {
    struct Case {
        const char* what;
        int wavelength;
        ReferenceUse use;
        double staleAfterHours;
        int renewAfter;
        RenewReason due;
    };
    const Case cases[] = {
        {"fresh, little used", 1310, {2, false, false}, 24, 3, RenewReason::None},
        {"no reference at the wavelength", 1550, {}, 24, 3, RenewReason::Missing},
        {"a CHECK REF since", 1310, {1, true, false}, 24, 3, RenewReason::NegativeLoss},
        {"the meter reconnected", 1310, {0, false, true}, 24, 3, RenewReason::Reconnected},
        {"older than the stale hours", 1310, {}, 0.5, 3, RenewReason::Stale},
        {"as many readings as allowed", 1310, {3, false, false}, 24, 3, RenewReason::Readings},
        {"readings counted but the count is off",
         1310,
         {500, false, false},
         24,
         0,
         RenewReason::None},
        {"the most pressing reason first",
         1310,
         {9, true, true},
         0.5,
         3,
         RenewReason::NegativeLoss},
    };
    for (const Case& c : cases) {
        CertificationSettings s = Held();
        s.staleAfterHours = c.staleAfterHours;
        s.workflow.renewAfterReadings = c.renewAfter;
        EXPECT_EQ(ReferenceDue(s, c.wavelength, c.use, kNow), c.due) << c.what;
    }
}

RecordValues Stored(int wavelength, float power, int hour, int minute, bool relative = false) {
    return {0,        uint16_t(wavelength),
            power,    0.0f,
            relative, {26, 12, 8, uint8_t(hour), uint8_t(minute)}};
}

// The reference was taken at 09:00:00; readings are counted from its minute on the meter's clock.
TEST(ReferenceCheck, UseCountsOnlyReadingsJudgedAgainstTheReferenceSinceIt) {
    const std::vector<RecordValues> records{
        Stored(1310, -1.0f, 8, 59),       // before the reference
        Stored(1310, -1.0f, 9, 0),        // in its minute
        Stored(1310, -2.0f, 9, 30),       //
        Stored(1310, -1.0f, 9, 31, true), // relative: its own reference
        Stored(1550, -1.0f, 9, 31),       // another wavelength
        Stored(1310, NAN, 9, 32),         // no reading
    };
    CertificationSettings s = Held();
    ReferenceUse use = UseSince(records, s, 1310, {}, kNow);
    EXPECT_EQ(use.judged, 2);
    EXPECT_FALSE(use.negativeSeen);
    EXPECT_FALSE(use.reconnected);
    use = UseSince({Stored(1310, 0.5f, 9, 40)}, s, 1310, kNow.addSecs(-3600), kNow);
    EXPECT_TRUE(use.negativeSeen);
    EXPECT_TRUE(use.reconnected) << "a reconnect in the reference's second counts";
    EXPECT_FALSE(UseSince({}, s, 1310, kNow.addSecs(-3601), kNow).reconnected);
    // The summary line names every wavelength due, the readings that need one included.
    s.workflow.renewAfterReadings = 2;
    EXPECT_EQ(ReferencesDueText(ReferencesDue(records, s, {}, kNow), s, Language::English),
              "New reference due: 1310 nm (2 readings since), 1550 nm (no reference)");
}

TEST(ReferenceCheck, AVerificationStandsUntilTheReferenceIsTakenAgain) {
    CertificationSettings s = Held();
    EXPECT_EQ(VerificationInForce(s, 1310), nullptr);
    s.workflow.SetVerification(VerifyCords(1310, 0.12, "TRC-7 / TRC-8", kNow.addSecs(-3000)));
    const CordVerification* v = VerificationInForce(s, 1310);
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->pass);
    EXPECT_EQ(LastCords(s.workflow), "TRC-7 / TRC-8");
    s.SetReference({1310, 0.1, kNow.addSecs(-2999)});
    EXPECT_EQ(VerificationInForce(s, 1310), nullptr);
    s.references.clear();
    EXPECT_EQ(VerificationInForce(s, 1310), nullptr) << "no reference, nothing verified";
}

TEST(ReferenceCheck, KeptInSettingsAndReadBackBoundedFromHostileFiles) {
    CertificationSettings s = Held();
    EXPECT_TRUE(CertificationToJson(s).contains("workflow"));
    s.workflow.renewAfterReadings = 0;
    EXPECT_FALSE(CertificationToJson(s).contains("workflow")) << "never set, never written";
    s.workflow.launch = LaunchCondition::EncircledFlux;
    s.workflow.calibrationDue = QDate(2027, 3, 1);
    s.workflow.SetVerification(VerifyCords(1310, 0.25, QString(200, 'x'), kNow));
    QTemporaryDir dir;
    QSettings file(dir.filePath("Vemla.conf"), QSettings::IniFormat);
    SaveCertification(file, s);
    const ReferenceWorkflow back = LoadCertification(file).workflow;
    EXPECT_EQ(back.launch, LaunchCondition::EncircledFlux);
    EXPECT_EQ(back.calibrationDue, QDate(2027, 3, 1));
    ASSERT_EQ(back.verifications.size(), 1u);
    EXPECT_FALSE(back.verifications[0].pass);
    EXPECT_EQ(back.verifications[0].cords.size(), kMaxCordsText);
    EXPECT_EQ(back.verifications[0].taken, kNow);

    const auto bad = QJsonDocument::fromJson(R"({"workflow":{"launch":"maybe",
        "calibration_due":"2027-02-30","renew_after_readings":-4,"verifications":[
        {"wavelength":1310,"loss_dB":"nan"},{"wavelength":-850,"loss_dB":0.01},
        {"wavelength":850,"loss_dB":1e9},{"wavelength":850,"loss_dB":0.5,"pass":true}]}})");
    const ReferenceWorkflow w = CertificationFromJson(bad.object()).workflow;
    EXPECT_EQ(w.launch, LaunchCondition::Unknown);
    EXPECT_FALSE(w.calibrationDue.isValid());
    EXPECT_EQ(w.renewAfterReadings, 0);
    ASSERT_EQ(w.verifications.size(), 1u);
    EXPECT_FALSE(w.verifications[0].pass) << "judged again, never taken from the file";
    EXPECT_EQ(CertificationFromJson(
                  QJsonDocument::fromJson(R"({"workflow":{"renew_after_readings":1e12}})").object())
                  .workflow.renewAfterReadings,
              0);
}

TEST(ReferenceCheck, CalibrationIsPastOnlyAfterItsDueDay) {
    ReferenceWorkflow w;
    EXPECT_FALSE(CalibrationPast(w, kNow.date()));
    w.calibrationDue = kNow.date();
    EXPECT_FALSE(CalibrationPast(w, kNow.date()));
    EXPECT_TRUE(CalibrationPast(w, kNow.date().addDays(1)));
}

} // namespace
} // namespace vemla
