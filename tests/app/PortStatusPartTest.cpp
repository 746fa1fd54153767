// What the port part shows of the port that comes back, through the operator's clicks: the lamp,
// the port button and the link picture following a pulled device, and the status line counting a
// paced upload's rows. The reconnect itself (twenty pulls) and the remembered port are the
// session's tests; the list's handling on drop-down is CommandsTest's.
#include "CertificationPart.h"
#include "MeterSimulator.h"
#include "WindowTest.h"

#include <QLabel>
#include <QRegularExpression>

#include <set>

namespace vemla {
namespace {

using namespace test;
using Kind = StatusLine::Kind;

using PortStatusPartTest = WindowTest;

TEST_F(PortStatusPartTest,
       PulledDuringAPacedUploadTheLampGoesDarkTheRowsAreCountedAndThePortReturns) {
    const std::string link = QDir(folder.path()).filePath("meter").toStdString();
    SimOptions options;
    options.records = 80;
    options.paced = true;
    options.faults.hangUpAfterRecord = 59;
    auto meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    dlg.Ports().AddVirtual(link, "meter");
    // A reference at a wavelength the meter's records do not use: only the pull makes it due.
    CertificationSettings judging;
    judging.enabled = true;
    judging.SetReference({1625, -3.0, QDateTime::currentDateTime()});
    dlg.Certification().SetSettings(judging);
    const auto due = [&] {
        return dlg.Certification().SummaryLine()->text().contains("1625 nm (meter reconnected)");
    };
    Show();
    ClickEntry(Combo(idc::kLanguageList), 1); // ENGLISH
    ClickOpenPort();
    EXPECT_EQ(dlg.PortStatus().Line().Text(Kind::Port), "COM1 (meter) open");
    QTest::mouseClick(dlg.Control(idc::kConnect), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return dlg.PortStatus().LinkIconId() == idi::kConnected; }));

    // While the records come, the count shown is the table's, at most one tick's records behind.
    QTest::mouseClick(dlg.Control(idc::kUpload), Qt::LeftButton);
    EXPECT_FALSE(due());
    const QRegularExpression receiving(QStringLiteral("^Receiving records: (\\d+) · "));
    std::set<QString> shown;
    WaitUntil(
        [&] {
            const QString status = dlg.PortStatus().Line().Text(Kind::Upload);
            if (const auto m = receiving.match(status);
                m.hasMatch() && shown.insert(status).second) {
                const int rows = dlg.Table().model()->rowCount();
                EXPECT_LE(m.captured(1).toInt(), rows);
                EXPECT_GE(m.captured(1).toInt(), rows - 12) << status.toStdString();
            }
            return boxes.shown.size() == 2;
        },
        20s);
    EXPECT_GE(shown.size(), 3u) << "updated several times during a 1.4 s upload";
    ASSERT_EQ(boxes.shown.size(), 2u); // the connect's and the hang-up's, the session's tests
    EXPECT_TRUE(WaitUntil([&] {
        return dlg.PortStatus()
            .Line()
            .Text(Kind::Upload)
            .contains(QRegularExpression("^60 records in 0:0\\d$"));
    }));
    EXPECT_EQ(dlg.PortStatus().LampIconId(), idi::kPortClosed);
    EXPECT_EQ(dlg.PortStatus().LinkIconId(), idi::kNotConnected);
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "OPEN COM");
    EXPECT_EQ(dlg.PortStatus().Line().Text(Kind::Port),
              "COM1 (meter) gone; reopened when it is back");
    EXPECT_TRUE(WaitUntil(due)) << "a new reference is asked for once the meter went away";

    meter = std::make_unique<MeterSimulator>(SimOptions{});
    meter->SetLinkPath(link);
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    ASSERT_TRUE(WaitUntil([&] { return dlg.PortStatus().LampIconId() == idi::kPortOpen; }, 2s));
    EXPECT_EQ(dlg.ControlAs<QPushButton>(idc::kPortButton)->text(), "CLOSE COM");
    EXPECT_EQ(dlg.PortStatus().Line().Text(Kind::Port), "Port reopened: COM1 (meter) open");
    EXPECT_EQ(boxes.shown.size(), 2u) << "no box for the return";
}

} // namespace
} // namespace vemla
