#include "PortList.h"
#include "FixedPortSource.h"
#include "PtyPair.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace vemla::test {
namespace {

class PortListTest : public ::testing::Test {
protected:
    // The devices plugged in now; the test changes them between refreshes.
    std::vector<std::string> m_devices;
    std::shared_ptr<std::vector<PortCandidate>> m_ports =
        std::make_shared<std::vector<PortCandidate>>();
    PortList m_list{std::make_unique<FixedPortSource>(m_ports)};

    std::vector<std::string> Names() {
        m_ports->clear();
        for (const auto& d : m_devices)
            m_ports->push_back({d, d + "\nFTDI"});
        std::vector<std::string> names;
        for (const auto& e : m_list.Refresh())
            names.push_back(e.name);
        return names;
    }
};

TEST_F(PortListTest, DeviceKeepsItsNumberAcrossUnplugAndReplug) {
    m_devices = {"/dev/ttyA", "/dev/ttyB", "/dev/ttyC"};
    Names();
    m_devices = {"/dev/ttyA", "/dev/ttyC", "/dev/ttyD"}; // B unplugged, D plugged in
    EXPECT_EQ(Names(), (std::vector<std::string>{"COM1 (/dev/ttyA)", "COM3 (/dev/ttyC)",
                                                 "COM4 (/dev/ttyD)"}));
    EXPECT_EQ(m_list.DeviceFor(2), ""); // B's number never opens another device
    EXPECT_EQ(m_list.DeviceFor(4), "/dev/ttyD");
    m_devices = {"/dev/ttyB", "/dev/ttyD"};
    EXPECT_EQ(Names(), (std::vector<std::string>{"COM2 (/dev/ttyB)", "COM4 (/dev/ttyD)"}));
    EXPECT_EQ(m_list.DeviceFor(1), "");
}

TEST_F(PortListTest, AtMostTwentyEntriesAndNumbersStayBelowOneHundred) {
    for (int i = 0; i < 25; ++i)
        m_devices.push_back("/dev/ttyX" + std::to_string(i));
    ASSERT_EQ(Names().size(), kMaxPortEntries);
    EXPECT_EQ(m_list.Entries().back().number, 20u); // the five left out took no number
    // 120 different devices come and go: after 99 numbers, new ones are left out.
    for (int round = 0; round < 6; ++round) {
        m_devices.clear();
        for (int i = 0; i < 20; ++i)
            m_devices.push_back("/dev/ttyR" + std::to_string(round * 20 + i));
        Names();
        for (const auto& e : m_list.Entries())
            EXPECT_TRUE(e.number >= 1 && e.number <= kMaxPortNumber) << e.number;
    }
    EXPECT_TRUE(m_list.Entries().empty()); // the last round came after the 99th number
}

TEST_F(PortListTest, NamesCarryTheNumberAndALongDevicePartIsCutToTheBound) {
    m_devices = {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "/dev/ttyS0"};
    for (int i = 0; i < 9; ++i)
        m_devices.push_back("/dev/ttyQ" + std::to_string(i));
    m_devices.push_back("/dev/\x01very/long/path/with/\xC3\xA9/and/more/ttyLast");
    Names();
    EXPECT_EQ(m_list.Entries()[0].name, "COM1 (...A50285BI-if00-port0)"); // 29 characters
    EXPECT_EQ(m_list.Entries()[0].description, m_devices[0] + "\nFTDI");
    EXPECT_EQ(m_list.Entries()[2].name, "COM3 (/dev/ttyQ0)");
    EXPECT_EQ(m_list.Entries()[11].name, "COM12 (.../and/more/ttyLast)"); // "é" not split
    EXPECT_EQ(MakePortName(3, "a\tb", CutFrom::Start), "COM3 (a?b)");
}

TEST_F(PortListTest, VirtualPortsComeFirstAndAreShownByLabel) {
    m_devices = {"/dev/ttyS0", "/tmp/vemla-sim-pty"};
    m_list.AddVirtual("/tmp/vemla-sim-pty", "simulated meter");
    m_list.AddVirtual("/tmp/other", "a label far too long to be shown whole");
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"COM1 (simulated meter)", "COM2 (a label far too lon...)",
                                        "COM3 (/dev/ttyS0)"}));
    EXPECT_EQ(m_list.DeviceFor(1), "/tmp/vemla-sim-pty");
    EXPECT_NE(m_list.Entries()[0].description.find("/tmp/vemla-sim-pty"), std::string::npos);
    m_list.RemoveVirtual("/tmp/other");
    EXPECT_EQ(Names().size(), 2u);
}

TEST(PortPathList, EmptyItemsAndRepeatsAreDropped) {
    EXPECT_EQ(ParsePortPathList("/a::/b:/a:"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(ParsePortPathList("").empty());
    EXPECT_TRUE(ParsePortPathList(":::").empty());
    EXPECT_EQ(ParsePortPathList(std::string(5000, 'p') + ":/c"), (std::vector<std::string>{"/c"}));
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "/p" + std::to_string(i) + ":";
    EXPECT_EQ(ParsePortPathList(many).size(), kMaxListedPaths);
}

// Only a serial line is offered: a character device (or a link to one) that the kernel does not
// file under another class than tty. Whatever else the variable names is left out with the
// reason; a path not there (yet) is left out silently. What is listed says where it came from.
TEST(PortPathList, OnlySerialLinesAreListedAndEveryOtherEntrySaysWhy) {
    PtyPair pty;
    char folder[] = "/tmp/vemla-ports-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string d = folder;
    std::ofstream(d + "/file") << "not a port";
    ASSERT_EQ(::mkfifo((d + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(d + "/dir");
    std::filesystem::create_symlink(pty.Path(), d + "/link-to-pty");
    std::filesystem::create_symlink(d + "/file", d + "/link-to-file");
    using Why = std::tuple<std::string, PortSkip, std::string>;
    const std::vector<std::string> listed{pty.Path(), d + "/link-to-pty"};
    const std::vector<Why> skipped{{d + "/file", PortSkip::RegularFile, ""},
                                   {d + "/link-to-file", PortSkip::RegularFile, ""},
                                   {d + "/fifo", PortSkip::Fifo, ""},
                                   {d + "/dir", PortSkip::Directory, ""},
                                   {"/dev/zero", PortSkip::NotSerial, "mem"}};
    std::string value;
    for (const auto& path : listed)
        value += path + ":";
    for (const auto& [path, why, deviceClass] : skipped)
        value += path + ":";
    ::setenv(kPortsVariable, (value + d + "/not-there-yet").c_str(), 1);
    const auto source = CreateEnvironmentPortSource();
    std::vector<std::string> gotListed;
    for (const auto& f : source->Enumerate()) {
        gotListed.push_back(f.device);
        EXPECT_NE(f.description.find("VEMLA_PORTS"), std::string::npos) << f.device;
    }
    std::vector<Why> gotSkipped;
    for (const auto& s : source->Skipped())
        gotSkipped.emplace_back(s.path, s.why, s.deviceClass);
    ::unsetenv(kPortsVariable);
    std::filesystem::remove_all(d);
    EXPECT_EQ(gotListed, listed);
    EXPECT_EQ(gotSkipped, skipped);
}

} // namespace
} // namespace vemla::test
