#include "MeterSession.h"

#include "PortIdentity.h"
#include "ReplyDecoder.h"

#include <QFileInfo>

namespace vemla {

namespace {

using State = MeterSession::PortState;
using Event = MeterSession::PortEvent;

struct PortTransition {
    State from;
    Event event;
    State to;
};

// Every change of the port's state. A command's re-open moves none: after the list drop-down the
// button stays up although the device is open again.
constexpr std::array kPortTransitions{
    PortTransition{State::NoPort, Event::Opened, State::Open},
    PortTransition{State::Closed, Event::Opened, State::Open},
    PortTransition{State::ListClosed, Event::Opened, State::Open},
    PortTransition{State::Lost, Event::Opened, State::Open},

    PortTransition{State::NoPort, Event::OpenFailed, State::OpenFailed},
    PortTransition{State::Closed, Event::OpenFailed, State::OpenFailed},
    PortTransition{State::ListClosed, Event::OpenFailed, State::OpenFailed},
    PortTransition{State::Lost, Event::OpenFailed, State::OpenFailed},

    PortTransition{State::Open, Event::Closed, State::Closed},
    PortTransition{State::OpenFailed, Event::Closed, State::Closed},
    PortTransition{State::Reopened, Event::Closed, State::Closed},

    // From OpenFailed and Lost only when a command has opened the device meanwhile.
    PortTransition{State::Open, Event::ListDropped, State::ListClosed},
    PortTransition{State::OpenFailed, Event::ListDropped, State::ListClosed},
    PortTransition{State::Lost, Event::ListDropped, State::ListClosed},
    PortTransition{State::Reopened, Event::ListDropped, State::ListClosed},

    PortTransition{State::Open, Event::Lost, State::Lost},
    PortTransition{State::OpenFailed, Event::Lost, State::Lost},
    PortTransition{State::ListClosed, Event::Lost, State::Lost},
    PortTransition{State::Reopened, Event::Lost, State::Lost},

    // Only while the operator wants the port open and has not pressed the button since.
    PortTransition{State::ListClosed, Event::Returned, State::Reopened},
    PortTransition{State::Lost, Event::Returned, State::Reopened},
};

} // namespace

MeterSession::PortState MeterSession::NextPortState(PortState from, PortEvent event) {
    for (const PortTransition& t : kPortTransitions)
        if (t.from == from && t.event == event)
            return t.to;
    return from;
}

bool MeterSession::ButtonDown(PortState state) {
    return state == State::Open || state == State::OpenFailed || state == State::Reopened;
}

bool MeterSession::ShownOpen(PortState state) {
    return state == State::Open || state == State::ListClosed || state == State::Reopened;
}

bool MeterSession::OpenWanted(PortState state) {
    return state != State::NoPort && state != State::Closed;
}

MeterSession::ReplyOutcome MeterSession::OutcomeOf(uint8_t code) {
    switch (static_cast<FrameCode>(code)) {
    case FrameCode::Connect:
    case FrameCode::ReadPower:
    case FrameCode::SelectWave:
    case FrameCode::Upload:
    case FrameCode::DeleteSelected:
    case FrameCode::DeleteAll:
    case FrameCode::SetCalibration:
    case FrameCode::SetTime:
    case FrameCode::SetDeviceWaves:
    case FrameCode::SetLasers:
    case FrameCode::SetPinType:
        return ReplyOutcome::Success;
    case FrameCode::Failure:
    case FrameCode::SelectWaveFailed:
        return ReplyOutcome::Refused;
    case FrameCode::WaveEditChange: // the meter never answers it
        break;
    }
    return ReplyOutcome::Unrecognised;
}

MeterSession::MeterSession(ISessionPresenter& presenter, std::unique_ptr<IPortSource> ports)
    : m_presenter(presenter), m_ports(std::move(ports)), m_autoReconnect(LoadAutoReconnect()),
      m_port([this](uint32_t number) { return m_ports.DeviceFor(number); }) {
    connect(&m_watch, &PortWatch::PortsChanged, this, &MeterSession::OnPortsChanged);
    connect(&m_watch, &PortWatch::PortReturned, this, &MeterSession::OnPortReturned);
}

MeterSession::~MeterSession() = default;

void MeterSession::ShowReply(const QString& text) {
    if (!text.isEmpty())
        m_presenter.Show(ISessionPresenter::Kind::Reply, text);
}

void MeterSession::ShowMessage(const QString& text) {
    if (!text.isEmpty())
        m_presenter.Show(ISessionPresenter::Kind::Message, text);
}

// --- the port ---

bool MeterSession::PortListDropDown() {
    if (m_port.IsOpen()) {
        m_port.RequestStop();
        Apply(PortEvent::ListDropped);
    }
    const std::optional<std::vector<std::string>> listed = m_listedNames;
    ListPorts(m_ports.Refresh());
    emit PortStateChanged();
    // Refilled when the ports themselves changed, not only their count, so the entry the
    // operator picks is always the device that is opened.
    return !listed || *listed != *m_listedNames;
}

void MeterSession::ListPorts(std::vector<PortEntry> entries) {
    m_portNames = std::move(entries);
    std::vector<std::string> names;
    for (const PortEntry& e : m_portNames)
        names.push_back(e.name);
    m_listedNames = std::move(names);
}

MeterSession::ToggleResult MeterSession::TogglePort(int listIndex) {
    if (listIndex < 0) {
        ShowMessage(Text(text::kSelectComPort));
        return ToggleResult::NoPortChosen;
    }
    m_watch.StopWatching();
    if (ButtonDown(m_portState)) {
        m_port.RequestStop();
        Apply(PortEvent::Closed);
        emit PortStateChanged();
        return ToggleResult::Closed;
    }
    // The number as of the last refresh: the list may be older than the ports themselves.
    const auto at = static_cast<std::size_t>(listIndex);
    m_portNumber = at < m_portNames.size() ? m_portNames[at].number : 0;
    if (OpenDevice()) {
        Apply(PortEvent::Opened);
        emit PortStateChanged();
        return ToggleResult::Opened;
    }
    Apply(PortEvent::OpenFailed);
    m_presenter.Show(ISessionPresenter::Kind::Warning,
                     Text(text::kComCannotOpen) + QLatin1Char('\n') + OpenFailureDetail());
    return ToggleResult::OpenFailed;
}

QString MeterSession::OpenFailureDetail() const {
    const std::string device = m_ports.DeviceFor(m_portNumber);
    switch (m_port.LastOpenError()) {
    case PortError::NoSuchDevice:
        return Text(text::kDeviceMissing);
    case PortError::Busy:
        return Text(text::kDeviceBusy);
    case PortError::PermissionDenied: {
        QString group = QFileInfo(QString::fromStdString(device)).group();
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        return Text(text::kDevicePermission).arg(group);
    }
    case PortError::None:
    case PortError::Other:
        break;
    }
    return QString::fromStdString(m_port.LastOpenErrorText());
}

bool MeterSession::ReopenPort() {
    return OpenWanted(m_portState) && OpenDevice();
}

bool MeterSession::OpenDevice() {
    m_portNames = m_ports.Refresh();
    PortOwner owner;
    owner.context = this;
    owner.onByte = [this](uint8_t byte, uint32_t port) { OnRxChar(byte, port); };
    owner.onError = [this](const std::string& caption, const std::string& text) {
        m_presenter.Show(ISessionPresenter::Kind::PortError, QString::fromStdString(text),
                         QString::fromStdString(caption));
    };
    owner.onLost = [this] { OnPortLost(); };
    if (!m_port.Open(owner, m_portNumber, MeterLine::kBaud, MeterLine::kParity,
                     MeterLine::kDataBits, MeterLine::kStopBits, MeterLine::kEventMask,
                     MeterLine::kWriteBuffer))
        return false;
    m_port.StartMonitor();
    for (const PortEntry& e : m_ports.Entries()) {
        if (e.number == m_portNumber) {
            m_portName = QString::fromStdString(e.name);
            // Written when it changes, not at every command that reopens the port.
            if (const PortIdentity id = IdentityOf(e); m_remembersPort && id != m_savedPort) {
                SaveLastPort(id);
                m_savedPort = id;
            }
        }
    }
    return true;
}

// --- the port that comes back ---

std::optional<int> MeterSession::FindLastPort() {
    const std::vector<PortEntry>& entries = m_ports.Refresh();
    const auto at = FindPort(entries, LoadLastPort());
    if (!at)
        return std::nullopt; // the list stays unread, as on any start
    ListPorts(entries);
    return static_cast<int>(*at);
}

void MeterSession::SetAutoReconnect(bool on) {
    m_autoReconnect = on;
    SaveAutoReconnect(on);
    emit PortStateChanged();
}

QString MeterSession::PortStatusText() const {
    return PortStateText() + SkippedPortText();
}

QString MeterSession::SkippedPortText() const {
    const std::vector<SkippedPort> skipped = m_ports.Skipped();
    if (skipped.empty())
        return {};
    const SkippedPort& first = skipped.front();
    // In PortSkip's order.
    static constexpr std::array kWhy{text::kPortSkipRegularFile, text::kPortSkipFifo,
                                     text::kPortSkipDirectory,   text::kPortSkipSocket,
                                     text::kPortSkipBlock,       text::kPortSkipNotSerial,
                                     text::kPortSkipOther};
    QString why = Text(kWhy.at(static_cast<std::size_t>(first.why)));
    if (first.why == PortSkip::NotSerial)
        why = why.arg(QString::fromStdString(first.deviceClass));
    QString line = Text(text::kStatusPortSkipped).arg(QString::fromStdString(first.path), why);
    if (skipped.size() > 1)
        line += Text(text::kStatusPortSkippedMore).arg(skipped.size() - 1);
    return line;
}

QString MeterSession::PortStateText() const {
    switch (m_portState) {
    case PortState::NoPort:
    case PortState::OpenFailed:
        break;
    case PortState::Open:
        return Text(text::kStatusPortOpen).arg(m_portName);
    case PortState::Closed:
    case PortState::ListClosed:
        return Text(text::kStatusPortClosed).arg(m_portName);
    case PortState::Lost:
        return Text(m_autoReconnect ? text::kStatusPortWaiting : text::kStatusPortLost)
            .arg(m_portName);
    case PortState::Reopened:
        return Text(text::kStatusPortReopened).arg(m_portName);
    }
    return Text(text::kStatusNoPort);
}

void MeterSession::OnPortLost() {
    // The engine has shown its box and watches the dead line no more; stopping it lets go of the
    // device at once, so the adapter can come back under the same node.
    m_port.RequestStop();
    m_progress.Finish();
    Apply(PortEvent::Lost);
    for (const PortEntry& e : m_ports.Entries())
        if (e.number == m_portNumber)
            m_watch.WatchFor(e);
    if (m_linked) {
        m_linked = false;
        emit LinkChanged(false);
    }
    emit PortStateChanged();
}

void MeterSession::OnPortReturned(uint32_t number) {
    if (!m_autoReconnect || NextPortState(m_portState, PortEvent::Returned) == m_portState)
        return;
    if (m_port.IsOpen()) { // a command has opened it meanwhile
        m_watch.StopWatching();
        return;
    }
    m_portNumber = number;
    if (!ReopenPort())
        return; // tried again at the next poll
    m_watch.StopWatching();
    Apply(PortEvent::Returned);
    emit PortStateChanged();
}

void MeterSession::OnPortsChanged() {
    // A list never opened has nothing to refresh: its first opening reads the ports.
    if (!m_listedNames)
        return;
    ListPorts(m_ports.Entries());
    emit PortListChanged();
}

bool MeterSession::CheckPortOpen() {
    if (m_port.IsOpen())
        return true;
    ShowMessage(Text(text::kComNotOpen));
    return false;
}

void MeterSession::Send(const OutFrame& frame) {
    m_port.Write(frame.View());
    NoteCommandSent(frame);
}

// --- commands ---

void MeterSession::Connect() {
    if (!CheckPortOpen())
        return;
    Send(BuildFixedFrame(kConnectHex));
}

void MeterSession::Upload() {
    m_silentUpload = false; // also when the port turns out to be closed
    StartUpload(false);
}

void MeterSession::Reupload() {
    StartUpload(true);
}

void MeterSession::StartUpload(bool reupload) {
    if (!CheckPortOpen())
        return;
    const OutFrame frame = BuildFixedFrame(kUploadHex);
    emit UploadStarted(reupload); // before the table empties, so the rows are still there
    m_records.Clear();
    m_recordCounter = 0;
    m_skippedRecords = 0;
    m_nextIndex = 0;
    m_progress.Start(UploadProgress::Clock::now());
    Send(frame);
}

void MeterSession::ReadPower() {
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(BuildFixedFrame(kReadPowerHex));
}

void MeterSession::DeleteSelected(int row) {
    if (m_recordCounter <= 0)
        return;
    if (row < 0) {
        m_silentUpload = true;
        return;
    }
    const OutFrame frame = BuildDeleteSelected(row);
    if (!CheckPortOpen())
        return;
    Send(frame);
    m_silentUpload = true;
}

void MeterSession::DeleteAll() {
    if (!m_presenter.Confirm(Text(text::kDeleteAllData)))
        return;
    // The meter is told the language by the end byte: 0xBB in English, 0x55 in Chinese.
    const OutFrame frame = BuildDeleteAll(m_language == Language::Chinese);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void MeterSession::PowerAdjust(float dBm) {
    const OutFrame frame = BuildSetCalibration(dBm);
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void MeterSession::SetTime(const std::array<uint32_t, 5>& f) {
    ReopenPort();
    const OutFrame frame =
        BuildSetTime(f[0] & 0xFF, f[1] & 0xFF, f[2] & 0xFF, f[3] & 0xFF, f[4] & 0xFF);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

void MeterSession::SelectWave(int listIndex) {
    m_chosenWaveIndex = listIndex;
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(BuildSelectWave(listIndex));
}

void MeterSession::WaveEditChange(int portListIndex) {
    ReopenPort();
    if (!CheckPortOpen())
        return;
    Send(BuildWaveEditChange(portListIndex));
}

void MeterSession::SendLasers() {
    const OutFrame frame = BuildSetLasers(m_lasers);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

bool MeterSession::SetDeviceWaves(std::span<const uint8_t> waveList) {
    // More than the list's wavelengths would send bytes that were never typed.
    if (m_waveCount > kMaxDeviceWaves) {
        ShowMessage(Text(text::kWaveCountOutOfRange));
        return false;
    }
    const OutFrame frame = BuildSetDeviceWaves(m_waveCount, waveList);
    if (!CheckPortOpen())
        return true;
    Send(frame);
    return true;
}

void MeterSession::SendPinType(int type) {
    m_pinType = type;
    const OutFrame frame = BuildSetPinType(type);
    if (!CheckPortOpen())
        return;
    Send(frame);
}

// --- replies ---

void MeterSession::OnRxChar(uint8_t byte, uint32_t /*port*/) {
    m_assembler.Feed(byte, [this](const ReplyFrame& frame) { DispatchReply(frame); });
}

void MeterSession::DispatchReply(const ReplyFrame& frame) {
    // Polls wait while a reply is handled: its box may be open and the monitor thread held.
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(++d) {}
        ~Depth() { --depth; }
    } depth(m_dispatchDepth);
    NoteReply(frame);
    const uint8_t code = frame.Code();
    const QString text = Text(ReplyMessage(code));
    switch (static_cast<FrameCode>(code)) {
    case FrameCode::Connect: {
        const ConnectReply reply = DecodeConnect(frame);
        m_waves = reply.waves;
        m_lasers = reply.lasers;
        emit WavesReceived();
        emit FieldsChanged();
        ShowReply(text);
        m_linked = true;
        emit LinkChanged(true);
        return;
    }
    case FrameCode::ReadPower: {
        m_lastPower = DecodePower(frame);
        emit PowerReceived(QString::fromStdString(FormatPower(*m_lastPower)));
        emit FieldsChanged();
        return;
    }
    case FrameCode::Upload:
        if (IsUploadEnd(frame)) {
            m_progress.Finish();
            emit UploadEnded();
            if (!m_silentUpload)
                ShowReply(text);
        } else {
            AddRecord(frame);
        }
        return;
    case FrameCode::DeleteSelected:
        ShowReply(text);
        if (m_reuploadAfterDelete)
            Reupload();
        return;
    case FrameCode::DeleteAll:
        ShowReply(text);
        m_records.Clear();
        return;
    default:
        ShowReply(text);
        return;
    }
}

void MeterSession::SetHeader(const HeaderFields& header) {
    m_header = header;
    emit HeaderChanged();
}

void MeterSession::SetHeaderField(QString HeaderFields::*field, const QString& text) {
    if (m_header.*field == text)
        return;
    m_header.*field = text;
    emit HeaderChanged();
}

void MeterSession::ReplaceRecords(std::vector<MeterRecord> records, const HeaderFields& header) {
    m_records.Clear();
    for (MeterRecord& record : records)
        m_records.Insert(m_records.Count(), std::move(record));
    m_recordCounter = m_records.Count();
    m_skippedRecords = 0; // an archived upload: what it missed is the archive's to say
    SetHeader(header);
}

// --- what the live monitor's polls may do ---

bool MeterSession::CommandOutstanding() const {
    if (m_dispatchDepth > 0)
        return true;
    return m_awaitedCode && std::chrono::steady_clock::now() - m_lastReplySign < kCommandWait;
}

bool MeterSession::SendPoll() {
    if (!m_port.IsOpen())
        return false;
    const OutFrame frame = BuildFixedFrame(kReadPowerHex);
    return m_port.Write(frame.View());
}

void MeterSession::NoteCommandSent(const OutFrame& frame) {
    const auto bytes = frame.View();
    m_outcome.reset();
    // The wave edit frame gets no reply: nothing to wait for.
    if (bytes.size() < 3 || bytes[2] == static_cast<uint8_t>(FrameCode::WaveEditChange))
        return;
    m_awaitedCode = bytes[2];
    m_lastReplySign = std::chrono::steady_clock::now();
}

// Before the reply's own rules run, so a command they send (the re-upload after a delete) is
// awaited afresh.
void MeterSession::NoteReply(const ReplyFrame& frame) {
    const uint8_t code = frame.Code();
    m_lastReplySign = std::chrono::steady_clock::now();
    if (m_awaitedCode) {
        constexpr auto kUploadCode = static_cast<uint8_t>(FrameCode::Upload);
        constexpr auto kPowerCode = static_cast<uint8_t>(FrameCode::ReadPower);
        // An upload ends with its end frame; a poll's reading ends no other command; anything
        // else (an acknowledgement, a failure) is the awaited command's answer.
        const bool ends = code == *m_awaitedCode ? code != kUploadCode || IsUploadEnd(frame)
                                                 : code != kUploadCode && code != kPowerCode;
        if (ends) {
            m_awaitedCode.reset();
            m_outcome = OutcomeOf(code);
        }
    }
    if (code == static_cast<uint8_t>(FrameCode::SelectWave)) {
        const auto at = static_cast<std::size_t>(m_chosenWaveIndex);
        m_selectedWavelength = m_chosenWaveIndex >= 0 && at < m_waves.size() ? m_waves[at] : 0;
        emit WavelengthAcknowledged();
    }
}

void MeterSession::AddRecord(const ReplyFrame& frame) {
    MeterRecord record;
    record.values = DecodeRecord(frame);
    for (std::size_t i = 0; i < record.raw.size(); ++i)
        record.raw[i] = frame[i];
    const auto texts = FormatRecordTexts(record.values);
    for (std::size_t c = 0; c < texts.size(); ++c)
        record.texts[c] = QString::fromStdString(texts[c]);
    m_recordCounter = record.values.index + 1;
    // The meter numbers its records in order: a number jumped over is a record that came
    // damaged and was dropped by the assembler.
    if (const int index = record.values.index; index >= m_nextIndex) {
        m_skippedRecords += index - m_nextIndex;
        m_progress.AddSkipped(index - m_nextIndex);
        m_nextIndex = index + 1;
    }
    // A record numbered past the end (after a lost frame) lands at the end with its own texts.
    m_records.Insert(m_recordCounter - 1, std::move(record));
    m_progress.Add(UploadProgress::Clock::now());
}

UploadDocument MeterSession::Document(vemla::Language language,
                                      const CertificationSettings& certification,
                                      const QDateTime& taken) const {
    UploadDocument document;
    document.language = language;
    document.header = m_header;
    document.waves = m_waves;
    document.lasers = m_lasers;
    document.certification = certification;
    document.taken = taken;
    document.skippedFrames = m_skippedRecords;
    return WithReportableRows(std::move(document), m_records, m_recordCounter);
}

} // namespace vemla
