// The settings string the engine hands to the line, and the text of its error boxes.
#include "LineSettings.h"
#include "PortErrorText.h"
#include "SerialDevice.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace vemla::test {
namespace {

TEST(SettingsString, AppliesOnlyWhatItNamesAndNothingWhenItIsBad) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t baud = 0;
        uint8_t data = 0;
        Parity parity = Parity::None;
        StopBits stop = StopBits::One;
    };
    const Case cases[] = {
        {"baud=9600 parity=N data=8 stop=1", true, 9600, 8, Parity::None, StopBits::One},
        {"BAUD=1200  PARITY=O DATA=5 STOP=1.5", true, 1200, 5, Parity::Odd, StopBits::OnePointFive},
        {"parity=s", true, 300, 6, Parity::Space, StopBits::Two}, // the rest as it was
        {"baud=9600 parity=X data=8 stop=1", false},
        {"baud=9600 parity= data=8 stop=1", false},
        {"baud=0 parity=N", false},
        {"baud=96x0", false},
        {"baud=99999999999", false},
        {"data=9", false},
        {"stop=1.2", false},
        {"speed=9600", false},
        {"baud9600", false},
        {"", false},
        {"baud=9600 xon=maybe", false},
    };
    for (const Case& c : cases) {
        // A string naming no flow control switches it off.
        LineState state{.baud = 300,
                        .dataBits = 6,
                        .parity = Parity::Odd,
                        .stopBits = StopBits::Two,
                        .ctsFlow = true,
                        .xonXoff = true};
        const LineState before = state;
        ASSERT_EQ(ApplySettingsString(c.text, state), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(state, before) << "nothing half-applied: " << c.text;
            continue;
        }
        EXPECT_EQ(state.baud, c.baud) << c.text;
        EXPECT_EQ(state.dataBits, c.data) << c.text;
        EXPECT_EQ(state.parity, c.parity) << c.text;
        EXPECT_EQ(state.stopBits, c.stop) << c.text;
        EXPECT_FALSE(state.xonXoff || state.ctsFlow) << c.text;
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
