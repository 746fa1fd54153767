// A whole operator session against the simulated meter, through the real engine and window.
#include "EditList.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MeterDlg.h"
#include "MeterSimulator.h"
#include "PtyPair.h"
#include "RecordingMessageBox.h"

#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vemla {
namespace {

using namespace std::chrono_literals;

class SessionTest : public ::testing::Test {
protected:
    void Start(SimOptions options) {
        meter = std::make_unique<MeterSimulator>(options);
        ASSERT_TRUE(meter->Start()) << meter->ErrorText();
        dlg =
            std::make_unique<CMeterDlg>(boxes, std::make_unique<test::FixedPortSource>(
                                                   std::make_shared<std::vector<PortCandidate>>()));
        dlg->Ports().AddVirtual(meter->DevicePath(), "simulated meter");
        dlg->SetUiLanguage(0);
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
    EXPECT_EQ(dlg->RecordCounter(), 12);
    const QString fourth = dlg->Table().GetItemText(3, 5);

    dlg->Table().selectRow(2);
    Click(idc::kDeleteSelect);
    ASSERT_TRUE(WaitForBox(3));
    EXPECT_EQ(boxes.shown[2].text, "DELETE SELECTED SUCESS!");
    // The re-upload refills the table silently.
    ASSERT_TRUE(test::WaitUntil([&] { return dlg->RecordCounter() == 11; }, 20s));
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

TEST_F(SessionTest, NoisyLineDuringAnUploadLosesNoIntactRecord) {
    SimOptions options;
    options.records = 2000;
    options.faults.noise = true;
    options.faults.cutRecord = 700;
    options.faults.corruptLengthRecord = 1300;
    Start(options);
    Click(idc::kUpload);
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(boxes.shown[0].text, "UPLOAD SUCESS!");
    const CEditList& t = dlg->Table();
    ASSERT_EQ(t.GetItemCount(), 1998);
    // In order, with only the two damaged records missing.
    int expected = 1;
    for (int row = 0; row < t.GetItemCount(); ++row, ++expected) {
        if (expected == 701 || expected == 1301)
            ++expected;
        ASSERT_EQ(t.GetItemText(row, 0), QString::number(expected)) << row;
    }
}

} // namespace
} // namespace vemla
