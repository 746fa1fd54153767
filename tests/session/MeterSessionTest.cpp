// The session without a window: the operator's commands through the real engine on a
// pseudo-terminal, the port's states, the reply rules and the order of their boxes, and whole
// uploads from the simulated meter. The frames' bytes are the codec's tests; here each command
// is checked to send its frame. The window's tests check only what the window adds.
#include "MeterSession.h"

#include "PortIdentity.h"
#include "PtyPair.h"
#include "RecordFrame.h"
#include "SimulatedMeterTest.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace vemla {
namespace {

using test::Bytes;
using test::Of;
using test::Record;
using Kind = ISessionPresenter::Kind;
using Boxes = std::vector<test::RecordingPresenter::Box>;
using State = MeterSession::PortState;
using Outcome = MeterSession::ReplyOutcome;
using namespace std::chrono_literals;

constexpr Language kEn = Language::English, kZh = Language::Chinese;

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
        : ports(std::make_shared<std::vector<PortCandidate>>(
              std::vector<PortCandidate>{{pty.Path(), "test meter"}})),
          session(presenter, std::make_unique<test::FixedPortSource>(ports)) {
        session.SetLanguage(kEn);
    }
    void SetUp() override { ASSERT_TRUE(pty.Ok()); }

    void OpenPort() {
        session.PortListDropDown();
        ASSERT_EQ(session.TogglePort(0), MeterSession::ToggleResult::Opened);
        ASSERT_TRUE(presenter.shown.empty()) << presenter.Texts().join('|').toStdString();
        // The monitor thread purges the line as it starts; the meter speaks only after that.
        ASSERT_TRUE(test::WaitUntil([&] { return session.Port().IsMonitoring(); }));
    }
    void Feed(const test::Bytes& bytes) { test::Feed(session, bytes); }

    test::PtyPair pty;
    std::shared_ptr<std::vector<PortCandidate>> ports;
    test::RecordingPresenter presenter;
    MeterSession session;
};

TEST_F(SessionTest, EachCommandSendsItsFrame) {
    OpenPort();
    const std::array<uint8_t, 3> waveList{0x05, 0x1E, 0xBB};
    const std::array<uint32_t, 5> when{2013, 10, 9, 0x10F, 27};
    session.SetLasers({1310, 1550, 1490, 1625});
    session.SetWaveCount(-1); // only a count above the list's 20 is refused
    struct Case {
        const char* what;
        std::function<void()> command;
        OutFrame frame;
    };
    const std::vector<Case> cases{
        {"connect", [&] { session.Connect(); }, BuildFixedFrame(kConnectHex)},
        {"read power", [&] { session.ReadPower(); }, BuildFixedFrame(kReadPowerHex)},
        {"upload", [&] { session.Upload(); }, BuildFixedFrame(kUploadHex)},
        {"power adjust", [&] { session.PowerAdjust(-7.32f); }, BuildSetCalibration(-7.32f)},
        // Each field goes out as its low byte: a four-digit year does not spill over.
        {"time", [&] { session.SetTime(when); }, BuildSetTime(0xDD, 10, 9, 15, 27)},
        {"select wave", [&] { session.SelectWave(1); }, BuildSelectWave(1)},
        {"wave edit change", [&] { session.WaveEditChange(0); }, BuildWaveEditChange(0)},
        {"lasers", [&] { session.SendLasers(); }, BuildSetLasers({1310, 1550, 1490, 1625})},
        {"device waves, count below one", [&] { session.SetDeviceWaves(waveList); },
         BuildSetDeviceWaves(-1, waveList)},
        {"pin type", [&] { session.SendPinType(1); }, BuildSetPinType(1)},
        {"delete all, English", [&] { session.DeleteAll(); }, BuildDeleteAll(false)},
        {"delete all, Chinese", [&] { session.SetLanguage(kZh), session.DeleteAll(); },
         BuildDeleteAll(true)},
    };
    for (const Case& c : cases) {
        pty.Received(50ms); // nothing left over from the one before
        c.command();
        EXPECT_EQ(pty.Received(), Of(c.frame)) << c.what;
    }
    EXPECT_EQ(session.StoredPinType(), 1);
}

TEST_F(SessionTest, DeclinedDeleteAllOutOfRangeWaveCountAndNoRowOrRecordSendNothing) {
    OpenPort();
    presenter.answers = {false};
    session.DeleteAll();
    session.SetWaveCount(21); // beyond the 20 wavelengths the list holds
    EXPECT_FALSE(session.SetDeviceWaves({}));
    session.DeleteSelected(0); // record counter 0: nothing at all
    EXPECT_FALSE(session.SilentUpload());
    Feed(Record(0));
    session.DeleteSelected(-1); // records but no row chosen
    EXPECT_TRUE(session.SilentUpload());
    EXPECT_TRUE(pty.Received().empty());
    EXPECT_EQ(presenter.Texts(),
              (QStringList{"DELETE ALL DATA?", "Please input a data between 1 and 20!"}));
}

TEST_F(SessionTest, DeleteSelectedSendsTheRowAndSilencesTheReuploadThatFollowsItsBox) {
    OpenPort();
    for (uint16_t i = 0; i < 5; ++i)
        Feed(Record(i));
    session.DeleteSelected(3);
    EXPECT_EQ(pty.Received(), Of(BuildDeleteSelected(3)));
    EXPECT_TRUE(session.SilentUpload());

    // The acknowledgement: its box first, and only then the re-upload empties the list.
    int rowsWhileOpen = -1;
    presenter.whileOpen = [&](const auto&) { rowsWhileOpen = session.Records().Count(); };
    Feed({0xAA, 0x04, 0x06, 0x55});
    presenter.whileOpen = nullptr;
    EXPECT_EQ(rowsWhileOpen, 5);
    EXPECT_EQ(pty.Received(), Of(BuildFixedFrame(kUploadHex)));
    EXPECT_EQ(session.Records().Count(), 0);
    EXPECT_EQ(session.RecordCounter(), 0);
    for (uint16_t i = 0; i < 4; ++i)
        Feed(Record(i));
    Feed(test::kUploadEnd);
    EXPECT_EQ(session.Records().Count(), 4);
    EXPECT_EQ(presenter.Texts(), QStringList{"DELETE SELECTED SUCESS!"})
        << "no upload message after a delete";

    session.Upload(); // the operator's own upload speaks again
    EXPECT_FALSE(session.SilentUpload());
}

TEST_F(SessionTest, ClosedPortCommandsSayNotOpenAndSendNothing) {
    Feed(Record(0));
    session.SetSilentUpload(true);
    const std::vector<std::function<void()>> commands{
        [&] { session.Connect(); },      [&] { session.Upload(); },
        [&] { session.ReadPower(); },    [&] { session.PowerAdjust(1); },
        [&] { session.SetTime({}); },    [&] { session.SendLasers(); },
        [&] { session.SendPinType(0); }, [&] { session.SelectWave(0); },
    };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        presenter.shown.clear();
        commands[i]();
        EXPECT_EQ(presenter.shown, (Boxes{{Kind::Message, "COM IS NOT OPEN!"}})) << i;
    }
    EXPECT_FALSE(session.SilentUpload()) << "UPLOAD DATA clears it even with the port closed";
    EXPECT_EQ(session.Records().Count(), 1);
    EXPECT_EQ(session.RecordCounter(), 1);
    EXPECT_EQ(session.StoredPinType(), 0) << "the type is kept although nothing was sent";
    session.DeleteSelected(0);
    EXPECT_FALSE(session.SilentUpload()) << "left unchanged when the port is not open";
    EXPECT_TRUE(pty.Received().empty());
}

// --- the port ---

// Each event from each state it can come in, and what the state it leads to means: the port
// button down, its caption after a language switch offering to close, commands re-opening the
// port (and a device coming back being opened). An event a state has no row for leaves it.
TEST(PortStateTable, EachEventLeadsToItsStateAndWhatFollowsFromIt) {
    using E = MeterSession::PortEvent;
    struct Row {
        State from;
        E event;
        State to;
        bool buttonDown, shownOpen, openWanted;
    };
    const Row rows[] = {
        {State::NoPort, E::Opened, State::Open, true, true, true},
        {State::NoPort, E::OpenFailed, State::OpenFailed, true, false, true},
        {State::Open, E::Closed, State::Closed, false, false, false},
        {State::Open, E::ListDropped, State::ListClosed, false, true, true},
        {State::Open, E::Lost, State::Lost, false, false, true},
        {State::OpenFailed, E::Closed, State::Closed, false, false, false},
        {State::OpenFailed, E::Returned, State::OpenFailed, true, false, true},
        // A command re-opened the device meanwhile.
        {State::OpenFailed, E::ListDropped, State::ListClosed, false, true, true},
        {State::OpenFailed, E::Lost, State::Lost, false, false, true},
        {State::Closed, E::Opened, State::Open, true, true, true},
        {State::Closed, E::OpenFailed, State::OpenFailed, true, false, true},
        {State::Closed, E::Returned, State::Closed, false, false, false},
        {State::ListClosed, E::Opened, State::Open, true, true, true},
        {State::ListClosed, E::OpenFailed, State::OpenFailed, true, false, true},
        {State::ListClosed, E::Lost, State::Lost, false, false, true},
        {State::ListClosed, E::Returned, State::Reopened, true, true, true},
        {State::Lost, E::Opened, State::Open, true, true, true},
        {State::Lost, E::OpenFailed, State::OpenFailed, true, false, true},
        {State::Lost, E::ListDropped, State::ListClosed, false, true, true},
        {State::Lost, E::Returned, State::Reopened, true, true, true},
        {State::Reopened, E::Closed, State::Closed, false, false, false},
        {State::Reopened, E::ListDropped, State::ListClosed, false, true, true},
        {State::Reopened, E::Lost, State::Lost, false, false, true},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        const State to = MeterSession::NextPortState(r.from, r.event);
        EXPECT_EQ(to, r.to) << "row " << i;
        EXPECT_EQ(std::tuple(MeterSession::ButtonDown(to), MeterSession::ShownOpen(to),
                             MeterSession::OpenWanted(to)),
                  std::tuple(r.buttonDown, r.shownOpen, r.openWanted))
            << "row " << i;
    }
}

TEST_F(SessionTest, PortToggleOpensAndClosesAndTheListDropDownClosesTheOpenPort) {
    OpenPort();
    EXPECT_EQ(session.State(), State::Open);
    EXPECT_EQ(session.TogglePort(0), MeterSession::ToggleResult::Closed);
    EXPECT_TRUE(test::WaitUntil([&] { return !session.Port().IsOpen(); }));
    EXPECT_EQ(session.State(), State::Closed);
    session.ReadPower(); // not wanted open any more: no re-open
    EXPECT_FALSE(session.Port().IsOpen());
    EXPECT_EQ(presenter.Texts(), QStringList{"COM IS NOT OPEN!"});

    presenter.shown.clear();
    OpenPort();
    session.PortListDropDown();
    EXPECT_TRUE(test::WaitUntil([&] { return !session.Port().IsOpen(); }));
    EXPECT_EQ(session.State(), State::ListClosed);
    presenter.shown.clear();
    session.Connect(); // a command that does not re-open reports the closed port
    EXPECT_EQ(presenter.Texts(), QStringList{"COM IS NOT OPEN!"});
    session.ReadPower(); // one that re-opens gets the same port back
    EXPECT_TRUE(session.Port().IsOpen());
    EXPECT_EQ(pty.Received(), Of(BuildFixedFrame(kReadPowerHex)));
}

TEST_F(SessionTest, TheListIsRefilledOnlyWhenThePortsChangeAndAFailedOpenSaysWhy) {
    EXPECT_TRUE(session.PortListDropDown()) << "the first look always fills the list";
    EXPECT_FALSE(session.PortListDropDown());
    ports->push_back({"/dev/vemla-second", "second"});
    EXPECT_TRUE(session.PortListDropDown());
    EXPECT_EQ(session.PortNames().size(), 2u);
    ports->clear();
    EXPECT_TRUE(session.PortListDropDown());
    EXPECT_EQ(session.TogglePort(-1), MeterSession::ToggleResult::NoPortChosen);
    EXPECT_EQ(presenter.Texts(), QStringList{"PLEASE SELSECT THE COM PORT!"});
    EXPECT_EQ(session.State(), State::NoPort);

    // A failed open says why; the next two toggles close, then try again.
    presenter.shown.clear();
    ports->assign({{"/dev/vemla-no-such-device", "gone"}});
    session.PortListDropDown();
    EXPECT_EQ(session.TogglePort(0), MeterSession::ToggleResult::OpenFailed);
    EXPECT_EQ(presenter.shown,
              (Boxes{{Kind::Warning, "COM CANN'T OPEN!\nThe device is not there (unplugged?)."}}));
    EXPECT_EQ(session.State(), State::OpenFailed);
    EXPECT_EQ(session.TogglePort(0), MeterSession::ToggleResult::Closed);
    EXPECT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(session.TogglePort(0), MeterSession::ToggleResult::OpenFailed);
    EXPECT_EQ(presenter.shown.size(), 2u);
}

// --- replies ---

// A VEMLA_PORTS entry that cannot be a port is named in the port's status, with why: the first
// one, and how many more.
TEST(SessionPortStatus, AnEntryLeftOutOfTheListSaysWhyAfterThePortsState) {
    ::setenv(kPortsVariable, "/dev/zero:/dev/null", 1);
    test::RecordingPresenter presenter;
    MeterSession session(presenter, CreateSystemPortSource());
    session.PortListDropDown();
    ::unsetenv(kPortsVariable);
    const std::array<std::pair<Language, QString>, 2> cases{{
        {kEn, "No port open · VEMLA_PORTS: /dev/zero not listed, a character device of class "
              "mem, not a serial line (and 1 more)"},
        {kZh, "未打开串口 · VEMLA_PORTS：未列出 /dev/zero，它是 mem 类字符设备，不是串行线路（另有 "
              "1 个）"},
    }};
    for (const auto& [language, expected] : cases) {
        session.SetLanguage(language);
        EXPECT_EQ(session.PortStatusText(), expected);
    }
}

// A reply takes effect after its box: the link goes up, the records empty (their counter kept).
TEST_F(SessionTest, ConnectAndDeleteAllRepliesTakeEffectOnlyAfterTheirBox) {
    Feed(Record(0));
    Feed(Record(1));
    std::vector<std::pair<bool, int>> whileOpen; // linked, rows
    presenter.whileOpen = [&](const auto&) {
        whileOpen.emplace_back(session.Linked(), session.Records().Count());
    };
    Feed({0xAA, 0x10, 0x01, 0x05, 0x1E, 0x06, 0x0E, 0x05, 0x1E, 0x06, 0x0E, 0, 0, 0, 0, 0x55});
    EXPECT_EQ(session.Waves(), (std::vector<int>{1310, 1550}));
    EXPECT_EQ(session.Lasers(), (std::array<uint32_t, 4>{1310, 1550, 0, 0}));
    EXPECT_TRUE(session.Linked());
    session.SetLanguage(kZh);
    Feed({0xAA, 0x04, 0x07, 0x55});
    EXPECT_EQ(whileOpen, (std::vector<std::pair<bool, int>>{{false, 2}, {true, 2}}));
    EXPECT_EQ(session.Records().Count(), 0);
    EXPECT_EQ(session.RecordCounter(), 2);
    EXPECT_EQ(presenter.shown, (Boxes{{Kind::Reply, "CONNECT SUCESS!"},
                                      {Kind::Reply, QString::fromUtf8("删除全部成功!")}}));
    // A reply of twelve bytes carries no wavelength.
    Feed({0xAA, 0x0C, 0x01, 0, 1, 0, 2, 0, 3, 0, 4, 0x55});
    EXPECT_TRUE(session.Waves().empty());
}

// Each record's frame as it came is the damaged upload's check; here its texts and where a
// record numbered past the end lands.
TEST_F(SessionTest, RecordsKeepTheirTextsAndTheEndSpeaksOnce) {
    for (uint16_t i = 0; i < 3; ++i)
        Feed(Record(i, 1310, i == 1));
    Feed(test::kUploadEnd);
    ASSERT_EQ(session.Records().Count(), 3);
    EXPECT_EQ(session.RecordCounter(), 3);
    EXPECT_EQ(presenter.Texts(), QStringList{"UPLOAD SUCESS!"});

    // Records 4..8 lost: record 9 lands at the end with its own texts.
    Feed(Record(8));
    ASSERT_EQ(session.Records().Count(), 4);
    EXPECT_EQ(session.RecordCounter(), 9);
    const auto& texts = session.Records().At(3).texts;
    EXPECT_EQ(QStringList(texts.begin(), texts.end()).join('|'),
              "9|1550|-10.00dBm|10.50dB|-20.50dBm|2013-10-09  15:07  |");
}

// How the meter answered the command last sent. A reply that answers none (a record before the
// upload's end, a poll's reading, a damaged frame, anything before a command) leaves it awaited.
TEST_F(SessionTest, EachReplyToACommandHasItsOutcome) {
    OpenPort();
    Feed(EncodeFailure());
    EXPECT_EQ(session.LastOutcome(), std::nullopt) << "no command was sent";
    const auto setTime = [&] { session.SetTime({}); };
    const auto upload = [&] { session.Upload(); };
    struct Case {
        const char* what;
        std::function<void()> command;
        Bytes reply;
        std::optional<Outcome> outcome;
    };
    const std::vector<Case> cases{
        {"connect reply", [&] { session.Connect(); }, EncodeConnectReply({}, {}), Outcome::Success},
        {"acknowledged", setTime, EncodeAck(FrameCode::SetTime), Outcome::Success},
        {"refused", setTime, EncodeFailure(), Outcome::Refused},
        {"no such wavelength", [&] { session.SelectWave(7); }, EncodeSelectWaveFailed(),
         Outcome::Refused},
        {"a code that means nothing", setTime, {0xAA, 0x04, 0x0D, 0x55}, Outcome::Unrecognised},
        {"a record", upload, Record(0), std::nullopt},
        {"the upload's end", upload, test::kUploadEnd, Outcome::Success},
        {"refused amid the upload", upload, EncodeFailure(), Outcome::Refused},
        {"a poll's reading", setTime, EncodePowerReply(-10), std::nullopt},
        // Acknowledged, and the re-upload that follows is awaited afresh.
        {"delete-selected", [&] { session.DeleteSelected(0); },
         EncodeAck(FrameCode::DeleteSelected), std::nullopt},
        {"a damaged frame", setTime, {0xAA, 0x04, 0x09, 0x56}, std::nullopt},
    };
    for (const Case& c : cases) {
        c.command();
        EXPECT_EQ(session.LastOutcome(), std::nullopt) << c.what << ": sent, not yet answered";
        Feed(c.reply);
        EXPECT_EQ(session.LastOutcome(), c.outcome) << c.what;
    }
}

// --- whole uploads from the simulated meter ---

using test::SimulatedMeterTest;

// Noise between frames, a cut record, a corrupted length byte and a 255-byte bogus run: the other
// records arrive as the meter keeps them.
TEST_F(SimulatedMeterTest, DamagedUploadOfTenThousandLosesOnlyTheDamagedRecords) {
    SimOptions options;
    options.records = 10000;
    options.faults.noise = true;
    options.faults.cutRecord = 700;
    options.faults.corruptLengthRecord = 4100;
    options.faults.overlongRecord = 8000;
    Start(options);
    session->Upload();
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(presenter.shown[0].text, "UPLOAD SUCESS!");
    const auto stored = GenerateRecords(options.records, options.waves, options.faults.seed);
    ASSERT_EQ(session->Records().Count(), 9998);
    for (int row = 0, i = 0; row < 9998; ++row, ++i) {
        i += i == 700 || i == 4100 ? 1 : 0;
        const auto& raw = session->Records().At(row).raw;
        ASSERT_TRUE(std::ranges::equal(raw, EncodeRecordReply(stored[std::size_t(i)]))) << row;
    }
    EXPECT_EQ(session->RecordCounter(), 10000) << "the number of the last record";
    // Noise and the bogus run are no records: only the two missing numbers count.
    EXPECT_EQ(session->SkippedRecords(), 2);
    const QString status = session->Progress().Text(kEn, UploadProgress::Clock::now());
    EXPECT_TRUE(QRegularExpression("^9998 records in \\d+:\\d\\d · 2 damaged records skipped$")
                    .match(status)
                    .hasMatch())
        << status.toStdString();
    EXPECT_FALSE(session->Assembler().InFrame()) << "the end frame left the assembler idle";
}

std::size_t OpenFds() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

// The device pulled mid-upload and plugged back under the same path (a link re-pointed to a new
// line, as a by-id link is), twenty times: each time one box, the rows kept, the port shown
// closed with the wish to have it open kept, and the port open again within 2 s of the return,
// without a second box. The window's test checks the lamp once.
TEST_F(SimulatedMeterTest, PulledTwentyTimesEachGivesOneBoxAndReopensWithinTwoSeconds) {
    QTemporaryDir dir;
    const std::string link = QDir(dir.path()).filePath("meter-link").toStdString();
    SimOptions options;
    options.records = 300;
    options.faults.hangUpAfterRecord = 199;
    const std::size_t fdsBefore = OpenFds();
    meter = std::make_unique<MeterSimulator>(options);
    meter->SetLinkPath(link);
    Start(options, /*keepMeter=*/true);
    EXPECT_EQ(meter->DevicePath(), link) << "the session opens the link";
    std::size_t fdsOpen = 0;
    for (std::size_t round = 1; round <= 20; ++round) {
        session->Upload();
        ASSERT_TRUE(WaitForBox(round)) << round;
        EXPECT_EQ(presenter.shown.back().kind, Kind::PortError); // its text is CommPortTest's
        EXPECT_EQ(session->Records().Count(), 200) << "what arrived before the cut stays";
        EXPECT_EQ(session->State(), State::Lost) << round;

        meter.reset();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)))
            << "a stopped simulator removes its link";
        meter = std::make_unique<MeterSimulator>(options);
        meter->SetLinkPath(link);
        ASSERT_TRUE(meter->Start()) << meter->ErrorText();
        ASSERT_TRUE(test::WaitUntil(
            [&] { return session->PortButtonDown() && session->Port().IsMonitoring(); }, 2s))
            << round;
        EXPECT_EQ(session->State(), State::Reopened) << round;
        EXPECT_EQ(presenter.shown.size(), round) << presenter.Texts().join('|').toStdString();
        if (round == 1)
            fdsOpen = OpenFds();
    }
    EXPECT_EQ(OpenFds(), fdsOpen) << "each pull and return holds the same descriptors";
    session.reset();
    meter.reset();
    EXPECT_EQ(OpenFds(), fdsBefore);
}

// The port last opened is found again by the next session: the adapter's by-id link or serial
// number first, wherever its device node is now, the device path second.
TEST_F(SessionTest, TheLastPortIsFoundByItsAdapterFirstAndItsPathSecond) {
    OpenPort();
    MeterSession next(presenter, std::make_unique<test::FixedPortSource>(ports));
    EXPECT_EQ(next.FindLastPort(), 0) << "opening the port remembered it";
    EXPECT_FALSE(next.Port().IsOpen()) << "found, not opened";

    const PortCandidate usb0{"/dev/ttyUSB0", "", "A1", "/dev/serial/by-id/usb-A1"};
    const PortCandidate usb1{"/dev/ttyUSB1", "", "B2", "/dev/serial/by-id/usb-B2"};
    const PortCandidate bare{"/dev/ttyS0", "", "", ""};
    struct Case {
        PortIdentity last;
        std::vector<PortCandidate> listed;
        std::optional<int> found;
    };
    const std::vector<Case> cases{
        {{"/dev/ttyUSB0", "", "/dev/serial/by-id/usb-B2"}, {usb0, usb1}, 1},
        {{"/dev/ttyUSB0", "B2", ""}, {usb0, usb1}, 1},
        {{"/dev/ttyUSB0", "C3", "/dev/serial/by-id/usb-C3"}, {usb1, usb0}, 1},
        {{"/dev/ttyS0", "", ""}, {usb0, bare}, 1},
        {{"/dev/ttyS1", "C3", ""}, {usb0, bare}, std::nullopt},
        {{}, {usb0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SaveLastPort(c.last);
        *ports = c.listed;
        MeterSession fresh(presenter, std::make_unique<test::FixedPortSource>(ports));
        EXPECT_EQ(fresh.FindLastPort(), c.found) << c.last.device << " " << c.last.byIdLink;
    }
}

} // namespace
} // namespace vemla
