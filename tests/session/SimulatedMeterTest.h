#pragma once
// The fixture of the tests against the simulated meter: a session in English whose only port is
// the simulator's, opened and watched.

#include "FixedPortSource.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "RecordingPresenter.h"

#include <gtest/gtest.h>

namespace vemla::test {

class SimulatedMeterTest : public ::testing::Test {
protected:
    // keepMeter: the test made `meter` itself (to give it a fixed device path). Starting again
    // replaces the meter and the session.
    void Start(SimOptions options, bool keepMeter = false) {
        if (!keepMeter)
            meter = std::make_unique<MeterSimulator>(options);
        ASSERT_TRUE(meter->Start()) << meter->ErrorText();
        session = std::make_unique<MeterSession>(
            presenter,
            std::make_unique<FixedPortSource>(std::make_shared<std::vector<PortCandidate>>()));
        session->SetLanguage(Language::English);
        session->Ports().AddVirtual(meter->DevicePath(), "simulated meter");
        session->PortListDropDown();
        ASSERT_EQ(session->TogglePort(0), MeterSession::ToggleResult::Opened);
        // The monitor thread purges the line as it starts; the meter speaks only after that.
        ASSERT_TRUE(WaitUntil([&] { return session->Port().IsMonitoring(); }));
    }
    bool WaitForBox(std::size_t count) {
        return WaitUntil([&] { return presenter.shown.size() >= count; }, std::chrono::seconds(20));
    }

    RecordingPresenter presenter;
    std::unique_ptr<MeterSimulator> meter;
    std::unique_ptr<MeterSession> session;
};

} // namespace vemla::test
