// A contractor's job end to end through vemla-cli and the simulated meter: a 48-ID plan
// imported, 96 readings uploaded A→B and 96 B→A (two meters, two seeds), then the project's CSV
// and PDF read back. Every expected loss, average and verdict is worked out here from the
// uploads' own JSON by the definitions (L = r − p relative, L = R(λ) − p otherwise; the link is
// the mean of the two directions at the shown resolution; a loss under −0.30 asks for a new
// reference), never by the project code.
#include "CliFixture.h"
#include "ReadBack.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vemla {
namespace {

constexpr int kIds = 48;
const std::map<int, double> kLimit{{1310, 10.0}, {1550, 15.0}};
const std::map<int, double> kReference{{1310, -10.0}, {1550, -12.0}};

QString Shown(double dB) {
    return QString::asprintf("%.2f", dB);
}

// Per wavelength, the losses of an upload's readings in upload order.
std::map<int, std::vector<double>> Losses(const QString& jsonPath) {
    std::map<int, std::vector<double>> losses;
    for (const QJsonValue& r :
         QJsonDocument::fromJson(test::ReadFile(jsonPath))["records"].toArray()) {
        const int wave = r["wavelength_nm"].toInt();
        const double p = r["power_dBm"].toDouble();
        const double ref =
            r["relative"].toBool() ? r["reference_dBm"].toDouble() : kReference.at(wave);
        losses[wave].push_back(Shown(ref - p).toDouble());
    }
    return losses;
}

struct Expected {
    QString ab, ba, link, result; // as the CSV prints them
};

Expected Judge(const std::vector<double>& ab, const std::vector<double>& ba, size_t id, int wave) {
    Expected e;
    const bool hasAb = id < ab.size(), hasBa = id < ba.size();
    if (hasAb)
        e.ab = Shown(ab[id]);
    if (hasBa)
        e.ba = Shown(ba[id]);
    if (!hasAb || !hasBa)
        return e;
    if (ab[id] < -0.3 || ba[id] < -0.3) { // the first negative one, as the link's
        e.link = Shown(ab[id] < -0.3 ? ab[id] : ba[id]);
        e.result = QStringLiteral("CHECK REF");
        return e;
    }
    e.link = Shown((ab[id] + ba[id]) / 2);
    e.result =
        e.link.toDouble() <= kLimit.at(wave) ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    return e;
}

class CliProjectTest : public test::CliFixture {};

TEST_F(CliProjectTest, PlanUploadsBothWaysAndTheProjectsReportsAgreeWithTheReadings) {
    KeepLimits(kLimit, kReference);
    QByteArray plan = "cable_id,length_km\r\n";
    for (int i = 1; i <= kIds; ++i)
        plan += QStringLiteral("B1-PP1-J%1,0.1\r\n").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
    ASSERT_TRUE(test::WriteFile(Path("plan.csv"), plan));
    ASSERT_EQ(Run({"project", "import", "Tower", "--plan", Path("plan.csv"), "--both-directions"}),
              0)
        << err.toStdString();

    for (const char* direction : {"ab", "ba"}) {
        const QString port =
            StartMeter({"--records", "96", "--seed", direction[0] == 'a' ? "1" : "2"});
        ASSERT_EQ(Run({"--port", port, "upload", "--project", "Tower", "--direction", direction,
                       "--json", Path(direction) + ".json"}),
                  0)
            << err.toStdString();
        StopMeter();
    }
    ASSERT_EQ(Run({"project", "report", "Tower", "--csv", Path("p.csv"), "--pdf", Path("p.pdf")}),
              0)
        << err.toStdString();

    const auto ab = Losses(Path("ab.json")), ba = Losses(Path("ba.json"));
    const QStringList lines = QString::fromUtf8(test::ReadFile(Path("p.csv")))
                                  .split("\r\n", Qt::SkipEmptyParts)
                                  .mid(1); // after the header
    ASSERT_EQ(lines.size(), kIds * 2 * 2);
    int passed = 0, failed = 0;
    for (int id = 0; id < kIds; ++id) {
        bool allPassed = true, anyFailed = false;
        for (int wave : {1310, 1550}) {
            const Expected e = Judge(ab.at(wave), ba.at(wave), size_t(id), wave);
            allPassed = allPassed && e.result == QLatin1String("PASS");
            anyFailed = anyFailed || e.result == QLatin1String("FAIL");
            const QString name = QStringLiteral("B1-PP1-J%1").arg(id + 1, 2, 10, QLatin1Char('0'));
            const int at = (id * 2 + (wave == 1310 ? 0 : 1)) * 2;
            for (int d = 0; d < 2; ++d) {
                const QStringList f = lines[at + d].split(u',');
                SCOPED_TRACE(lines[at + d].toStdString());
                EXPECT_EQ(f[1], name);
                EXPECT_EQ(f[2].toInt(), wave);
                EXPECT_EQ(f[4], d == 0 ? e.ab : e.ba);
                EXPECT_EQ(f[9], e.link);
                EXPECT_EQ(f[11], e.result);
            }
        }
        passed += allPassed;
        failed += anyFailed;
    }
    const QString pdf = test::PdfText(Path("p.pdf"));
    EXPECT_TRUE(pdf.contains(QStringLiteral("48 cable IDs: %1 passed").arg(passed)))
        << pdf.left(800).toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("%1 failed").arg(failed)));
    EXPECT_GT(passed + failed, 0) << "a job with verdicts to check";
}

// Each refusal of the project commands, with the exit code a script reads and what it is told.
TEST_F(CliProjectTest, RefusalsHaveTheirExitCodes) {
    ASSERT_TRUE(test::WriteFile(Path("dup.csv"), "cable_id\nJ1\nJ2\nJ1\n"));
    ASSERT_EQ(Run({"project", "add", "P", "J[1..3]"}), 0) << err.toStdString();
    const std::tuple<QStringList, int, const char*> cases[] = {
        // arguments, exit code, told
        {{"project", "status", "Nope"}, 2, "there is no project 'Nope'"},
        {{"project", "import", "P"}, 2, "option --plan needs a value"},
        {{"project", "import", "P", "--plan", Path("dup.csv")},
         2,
         "Line 4: the cable ID \"J1\" is already in the plan."},
        {{"project", "add", "P", "J[3..4]"}, 2, "The cable ID \"J3\" is already in the plan."},
        {{"project", "add", "P", "K[1..]"}, 2, "K[1..]"},
        {{"project", "report", "P"}, 2, "needs --pdf, --xlsx, --csv or --json"},
        {{"project", "report", "P", "--pdf", Path("p.pdf")}, 5, "a certificate needs loss limits"},
        {{"project", "frob", "P"}, 2, "'project' takes: import NAME"},
        {{"--simulate", "upload", "--project", "P"}, 2, "--project needs --direction ab|ba"},
        {{"--simulate", "upload", "--project", "Nope", "--direction", "ab"},
         2,
         "there is no project 'Nope'"},
        {{"project", "status", "P"}, 0, ""},
    };
    for (const auto& [args, code, says] : cases) {
        EXPECT_EQ(Run(args), code) << args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(says))) << err.toStdString();
    }
}

// Projects live in the archive: one that cannot be opened is exit 6, with the reason.
TEST_F(CliProjectTest, AnArchiveThatCannotBeOpenedIsExitSix) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("archive.sqlite")); // a folder where the file goes
    EXPECT_EQ(Run({"project", "list"}), 6);
    EXPECT_TRUE(err.contains("projects live in the archive, which cannot be written"))
        << err.toStdString();
}

} // namespace
} // namespace vemla
