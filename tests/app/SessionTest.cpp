// A whole operator session against the simulated meter, through the real engine and window.
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"
#include "PtyPair.h"
#include "RecordingMessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <time.h>

namespace vemla {
namespace {

using namespace std::chrono_literals;

class SessionTest : public ::testing::Test {
protected:
    // keepMeter: the test made `meter` itself (to give it a fixed device path).
    void Start(SimOptions options, bool keepMeter = false) {
        if (!keepMeter)
            meter = std::make_unique<MeterSimulator>(options);
        ASSERT_TRUE(meter->Start()) << meter->ErrorText();
        dlg =
            std::make_unique<CMeterDlg>(boxes, std::make_unique<test::FixedPortSource>(
                                                   std::make_shared<std::vector<PortCandidate>>()));
        dlg->Ports().AddVirtual(meter->DevicePath(), "simulated meter");
        dlg->SetUiLanguage(Language::English);
        dlg->OnPortListDropDown();
        auto* list = dlg->ControlAs<QComboBox>(idc::kPortList);
        ASSERT_EQ(list->count(), 1);
        EXPECT_TRUE(list->itemText(0).startsWith("COM1 (simulated meter"))
            << list->itemText(0).toStdString();
        list->setCurrentIndex(0);
        Click(idc::kPortButton);
        ASSERT_TRUE(dlg->Port().IsOpen());
    }
    void Click(int id) { dlg->ControlAs<QPushButton>(id)->click(); }
    bool WaitForBox(size_t count) {
        return test::WaitUntil([&] { return boxes.shown.size() >= count; }, 20s);
    }

    test::FreshConfig config;
    test::RecordingMessageBox boxes;
    std::unique_ptr<MeterSimulator> meter;
    std::unique_ptr<CMeterDlg> dlg;
};

TEST_F(SessionTest, ConnectUploadDeleteOneAndDeleteAll) {
    SimOptions options;
    options.records = 12;
    Start(options);

    Click(idc::kConnect);
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(boxes.shown[0].text, "CONNECT SUCESS!");
    EXPECT_EQ(dlg->LinkIconId(), 132);
    auto* waves = dlg->ControlAs<QComboBox>(idc::kWaveSelect);
    ASSERT_EQ(waves->count(), 2);
    EXPECT_EQ(waves->itemText(1), "1550");

    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(2));
    EXPECT_EQ(boxes.shown[1].text, "UPLOAD SUCESS!");
    ASSERT_EQ(dlg->Table().GetItemCount(), 12);
    EXPECT_EQ(dlg->Session().RecordCounter(), 12);
    const QString fourth = dlg->Table().GetItemText(3, 5);

    dlg->Table().selectRow(2);
    Click(idc::kDeleteSelect);
    ASSERT_TRUE(WaitForBox(3));
    EXPECT_EQ(boxes.shown[2].text, "DELETE SELECTED SUCESS!");
    // The re-upload refills the table silently.
    ASSERT_TRUE(test::WaitUntil([&] { return dlg->Session().RecordCounter() == 11; }, 20s));
    test::WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(dlg->Table().GetItemCount(), 11);
    EXPECT_EQ(dlg->Table().GetItemText(2, 5), fourth) << "the old fourth record moved up";
    EXPECT_EQ(boxes.shown.size(), 3u) << "no upload message after a delete";

    Click(idc::kDeleteAll); // confirmation, answered OK
    ASSERT_TRUE(WaitForBox(5));
    EXPECT_EQ(boxes.shown[3].text, "DELETE ALL DATA?");
    EXPECT_EQ(boxes.shown[4].text, "DELETE ALL SUCESS!");
    EXPECT_EQ(dlg->Table().GetItemCount(), 0);

    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(6));
    EXPECT_EQ(dlg->Table().GetItemCount(), 0);
}

// Every row of the table, all seven texts.
std::vector<QStringList> Rows(const CEditList& t) {
    std::vector<QStringList> rows;
    for (int r = 0; r < t.GetItemCount(); ++r) {
        QStringList row;
        for (int c = 0; c < 7; ++c)
            row << t.GetItemText(r, c);
        rows.push_back(row);
    }
    return rows;
}

TEST_F(SessionTest, DamagedUploadOfTenThousandLosesOnlyTheDamagedRecords) {
    SimOptions options;
    options.records = 10000;
    Start(options);
    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(1));
    const std::vector<QStringList> clean = Rows(dlg->Table());
    ASSERT_EQ(clean.size(), 10000u);
    dlg.reset();
    meter.reset();
    boxes.shown.clear();

    // Noise between frames, a cut record, a corrupted length byte and a 255-byte bogus run.
    options.faults.noise = true;
    options.faults.cutRecord = 700;
    options.faults.corruptLengthRecord = 4100;
    options.faults.overlongRecord = 8000;
    Start(options);
    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(boxes.shown[0].text, "UPLOAD SUCESS!");
    std::vector<QStringList> expected;
    for (std::size_t i = 0; i < clean.size(); ++i)
        if (i != 700 && i != 4100)
            expected.push_back(clean[i]);
    const std::vector<QStringList> got = Rows(dlg->Table());
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], expected[i]) << "row " << i;
    EXPECT_EQ(dlg->Session().RecordCounter(), 10000) << "the number of the last record";
    EXPECT_FALSE(dlg->Session().Assembler().InFrame()) << "the end frame left the assembler idle";
}

// CPU time of the whole process over `wait`, while the window's events keep running.
std::chrono::milliseconds CpuOver(std::chrono::milliseconds wait) {
    const auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return std::chrono::milliseconds(t.tv_sec * 1000 + t.tv_nsec / 1000000);
    };
    const auto before = cpu();
    test::WaitUntil([] { return false; }, wait);
    return cpu() - before;
}

TEST_F(SessionTest, PulledDeviceGivesOneBoxKeepsTheRowsAndReopensWhenItIsBack) {
    const QString link = QDir::current().filePath("meter-link");
    SimOptions options;
    options.records = 500;
    options.faults.hangUpAfterRecord = 199;
    meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link.toStdString());
    Start(options, /*keepMeter=*/true);

    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(1));
    ASSERT_TRUE(meter->HungUp());
    EXPECT_TRUE(boxes.shown[0].text.contains("ReadFile()")) << boxes.shown[0].text.toStdString();
    EXPECT_EQ(dlg->Table().GetItemCount(), 200) << "what arrived before the cut stays";
    // The dead line is not watched any more: no second box, and the process idles.
    const auto cpu = CpuOver(1000ms);
    EXPECT_EQ(boxes.shown.size(), 1u) << boxes.Texts().join('|').toStdString();
    EXPECT_LT(cpu.count(), 300) << "the monitor thread spins on the hung-up line";

    // The adapter comes back at the same path: the next command opens the port afresh.
    meter.reset();
    options.faults = {};
    meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link.toStdString());
    ASSERT_TRUE(meter->Start()) << meter->ErrorText();
    auto* power = dlg->ControlAs<QLineEdit>(idc::kPower);
    power->clear();
    Click(idc::kReadPower);
    ASSERT_TRUE(test::WaitUntil([&] { return !power->text().isEmpty(); }, 20s));
    Click(idc::kConnect);
    ASSERT_TRUE(WaitForBox(2));
    EXPECT_EQ(boxes.shown[1].text, "CONNECT SUCESS!");
    EXPECT_EQ(dlg->Table().GetItemCount(), 200);
    EXPECT_TRUE(dlg->Port().IsOpen());
}

} // namespace
} // namespace vemla
