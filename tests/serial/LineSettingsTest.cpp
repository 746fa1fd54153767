// The settings string the engine hands to the line, and the text of its error boxes.
#include "LineSettings.h"
#include "PortErrorText.h"
#include "SerialDevice.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace vemla::test {
namespace {

TEST(SettingsString, AppliesOnlyWhatItNamesAndNothingWhenItIsBad) {
    LineState before{.baud = 300, .dataBits = 6, .parity = Parity::Odd, .stopBits = StopBits::Two};
    before.ctsFlow = before.xonXoff = true; // a string naming no flow control switches it off
    const std::pair<const char*, LineState> good[] = {
        {"baud=9600 parity=N data=8 stop=1", {9600, 8, Parity::None, StopBits::One}},
        {"BAUD=1200  PARITY=O DATA=5 STOP=1.5", {1200, 5, Parity::Odd, StopBits::OnePointFive}},
        {"parity=s", {300, 6, Parity::Space, StopBits::Two}}, // the rest as it was
    };
    for (const auto& [text, applied] : good) {
        LineState state = before;
        EXPECT_TRUE(ApplySettingsString(text, state)) << text;
        EXPECT_EQ(state, applied) << text;
    }
    for (const char* bad : {"baud=9600 parity=X data=8 stop=1", "baud=9600 parity= data=8 stop=1",
                            "baud=0 parity=N", "baud=96x0", "baud=99999999999", "data=9",
                            "stop=1.2", "speed=9600", "baud9600", "", "baud=9600 xon=maybe"}) {
        LineState state = before;
        EXPECT_FALSE(ApplySettingsString(bad, state)) << bad;
        EXPECT_EQ(state, before) << "nothing half-applied: " << bad;
    }
}

TEST(SettingsString, IsFormedInFiftyBytes) {
    EXPECT_EQ(FormatSettingsString(9600, 'N', 8, 1), "baud=9600 parity=N data=8 stop=1");
    const std::string extreme = FormatSettingsString(INT32_MIN, 'N', INT32_MIN, INT32_MIN);
    EXPECT_EQ(extreme.size(), kSettingsTextCapacity - 1);
    LineState state;
    EXPECT_FALSE(ApplySettingsString(extreme, state));
}

// The exact form of the text is checked where the engine shows it (CommPortTest).
TEST(PortErrorText, ALongTextIsCutKeepingThePortLine) {
    const std::string text = FormatPortErrorText("ReadFile()", std::string(500, 'x'), 3);
    EXPECT_EQ(text.size(), kPortErrorTextCapacity - 1);
    EXPECT_EQ(text.substr(text.size() - 9), "\nPort: 3\n");
    // A cut never leaves half a UTF-8 character ("é" is two bytes).
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    for (uint32_t port : {1u, 10u}) {
        const std::string cut = FormatPortErrorText("ReadFile()", accents, port);
        const size_t start = cut.find(": \n") + 3;
        EXPECT_EQ((cut.rfind("\nPort:") - start) % 2, 0u) << port;
    }
}

TEST(PortErrorKind, SystemCodesMapToKinds) {
    const std::pair<int, PortError> table[] = {{ENOENT, PortError::NoSuchDevice},
                                               {ENXIO, PortError::NoSuchDevice},
                                               {EBUSY, PortError::Busy},
                                               {EACCES, PortError::PermissionDenied},
                                               {EIO, PortError::Other}};
    for (const auto& [code, kind] : table)
        EXPECT_EQ(PortErrorFromSystemCode(code), kind) << code;
}

} // namespace
} // namespace vemla::test
