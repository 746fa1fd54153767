#include "LineSettings.h"
#include "PortErrorText.h"
#include "SerialDevice.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace vemla::test {
namespace {

struct SettingsCase {
    const char* text;
    bool ok;
    uint32_t baud = 0;
    uint8_t data = 0;
    Parity parity = Parity::None;
    StopBits stop = StopBits::One;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class SettingsStringTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsStringTest, AppliesLikeBuildCommDcb) {
    const auto& c = GetParam();
    LineState state;
    state.baud = 300;
    state.dataBits = 6;
    state.parity = Parity::Odd;
    state.stopBits = StopBits::Two;
    state.xonXoff = true; // a string naming no flow control switches it off
    state.ctsFlow = true;
    const LineState before = state;
    EXPECT_EQ(ApplySettingsString(c.text, state), c.ok);
    if (!c.ok) {
        EXPECT_EQ(state, before); // nothing half-applied
        return;
    }
    EXPECT_EQ(state.baud, c.baud);
    EXPECT_EQ(state.dataBits, c.data);
    EXPECT_EQ(state.parity, c.parity);
    EXPECT_EQ(state.stopBits, c.stop);
    EXPECT_FALSE(state.xonXoff);
    EXPECT_FALSE(state.ctsFlow);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsStringTest,
    ::testing::Values(SettingsCase{"baud=9600 parity=N data=8 stop=1", true, 9600, 8, Parity::None,
                                   StopBits::One},
                      SettingsCase{"baud=19200 parity=e data=7 stop=2", true, 19200, 7,
                                   Parity::Even, StopBits::Two},
                      SettingsCase{"BAUD=1200  PARITY=O DATA=5 STOP=1.5", true, 1200, 5,
                                   Parity::Odd, StopBits::OnePointFive},
                      SettingsCase{"baud=110 parity=m", true, 110, 6, Parity::Mark, StopBits::Two},
                      SettingsCase{"parity=s", true, 300, 6, Parity::Space, StopBits::Two},
                      SettingsCase{"baud=9600 parity=X data=8 stop=1", false},
                      SettingsCase{"baud=9600 parity= data=8 stop=1", false},
                      SettingsCase{"baud=9600 parity=NN data=8 stop=1", false},
                      SettingsCase{"baud=-1 parity=N data=8 stop=1", false},
                      SettingsCase{"baud=0 parity=N", false}, SettingsCase{"baud=96x0", false},
                      SettingsCase{"baud=99999999999", false}, SettingsCase{"data=9", false},
                      SettingsCase{"data=4", false}, SettingsCase{"stop=3", false},
                      SettingsCase{"stop=1.2", false}, SettingsCase{"speed=9600", false},
                      SettingsCase{"baud9600", false}, SettingsCase{"=9600", false},
                      SettingsCase{"", false}, SettingsCase{"   ", false},
                      SettingsCase{"baud=9600 xon=maybe", false}));

TEST(SettingsString, NamedFlowControlIsKept) {
    LineState state;
    ASSERT_TRUE(ApplySettingsString("baud=9600 xon=on octs=on rts=hs", state));
    EXPECT_TRUE(state.xonXoff);
    EXPECT_TRUE(state.ctsFlow);
    EXPECT_EQ(state.rts, RtsControl::Handshake);
}

TEST(SettingsString, IsFormedInFiftyBytes) {
    EXPECT_EQ(FormatSettingsString(9600, 'N', 8, 1), "baud=9600 parity=N data=8 stop=1");
    EXPECT_EQ(FormatSettingsString(9600, '\0', 8, 1), "baud=9600 parity=");
    const std::string extreme = FormatSettingsString(INT32_MIN, 'N', INT32_MIN, INT32_MIN);
    EXPECT_EQ(extreme.size(), kSettingsTextCapacity - 1);
    LineState state;
    EXPECT_FALSE(ApplySettingsString(extreme, state));
}

TEST(PortErrorText, HasTheExactForm) {
    EXPECT_EQ(
        FormatPortErrorText("WriteFile()", "Input/output error", 12),
        "WARNING:  WriteFile() Failed with the following error: \nInput/output error\nPort: 12\n");
}

TEST(PortErrorText, LongDescriptionIsCutToFitAndKeepsThePortLine) {
    const std::string text = FormatPortErrorText("ReadFile()", std::string(500, 'x'), 3);
    EXPECT_EQ(text.size(), kPortErrorTextCapacity - 1);
    EXPECT_EQ(text.substr(text.size() - 9), "\nPort: 3\n");
    // A cut never leaves half a UTF-8 character ("é" is two bytes).
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    for (uint32_t port : {1u, 10u}) {
        const std::string cut = FormatPortErrorText("ReadFile()", accents, port);
        EXPECT_LE(cut.size(), kPortErrorTextCapacity - 1);
        const size_t start = cut.find(": \n") + 3;
        const size_t end = cut.rfind("\nPort:");
        EXPECT_EQ((end - start) % 2, 0u) << port;
    }
}

TEST(PortErrorKind, SystemCodesMapToKinds) {
    const std::pair<int, PortError> table[] = {{0, PortError::None},
                                               {ENOENT, PortError::NoSuchDevice},
                                               {ENODEV, PortError::NoSuchDevice},
                                               {ENXIO, PortError::NoSuchDevice},
                                               {EBUSY, PortError::Busy},
                                               {EACCES, PortError::PermissionDenied},
                                               {EPERM, PortError::PermissionDenied},
                                               {EIO, PortError::Other},
                                               {ENOTTY, PortError::Other}};
    for (const auto& [code, kind] : table)
        EXPECT_EQ(PortErrorFromSystemCode(code), kind) << code;
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
}

} // namespace
} // namespace vemla::test
