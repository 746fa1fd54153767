#pragma once
// The measurement session: everything the program knows, without a widget. The port and its
// state, the reply assembler, the record counter, the instrument's wavelengths, lasers, wave
// count and PIN type, the header fields, and the records. Front ends give it the operator's
// commands and show what it reports; the rules of the replies live here.

#include "CommPort.h"
#include "FrameCodec.h"
#include "HeaderFields.h"
#include "PortIdentity.h"
#include "PortList.h"
#include "PortWatch.h"
#include "RecordList.h"
#include "ReplyAssembler.h"
#include "SessionPresenter.h"
#include "Texts.h"
#include "UploadDocument.h"
#include "UploadProgress.h"

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vemla {

class ReplyFrame;

// The meter's line: 9600 baud, no parity, 8 data bits, 1 stop bit.
struct MeterLine {
    static constexpr int kBaud = 9600;
    static constexpr char kParity = 'N';
    static constexpr int kDataBits = 8;
    static constexpr int kStopBits = 1;
    static constexpr uint32_t kEventMask = 3; // received bytes and the end of a write
    static constexpr uint32_t kWriteBuffer = 512;
};

class MeterSession : public QObject {
    Q_OBJECT
public:
    enum class ToggleResult { NoPortChosen, Closed, Opened, OpenFailed };
    // The port as the operator's button, the list drop-down and the device have left it.
    enum class PortState {
        NoPort,     // never opened
        Open,       // the operator opened it
        OpenFailed, // the operator's open failed: the button stays down, commands try again
        Closed,     // the operator closed it
        ListClosed, // the list drop-down closed it: commands that re-open it get it back
        Lost,       // the device went away while open
        Reopened,   // the device came back and was opened again without the operator
    };
    // What moves the port's state. Opened and OpenFailed come of the button pressed while up,
    // Closed of it pressed while down; ListDropped of the list opening while the device is open;
    // Returned of the device reopened when it is back.
    enum class PortEvent { Opened, OpenFailed, Closed, ListDropped, Lost, Returned };
    // The state after the event; an event the table has no row for leaves the state as it is.
    static PortState NextPortState(PortState from, PortEvent event);
    // The port button is down: its next press closes the port.
    static bool ButtonDown(PortState state);
    // The port button's caption on a language switch offers to close: from an open until the
    // button closes the port or the device is lost; the list drop-down's close leaves it.
    static bool ShownOpen(PortState state);
    // The operator wants the port open: commands re-open it, a device that comes back is opened.
    static bool OpenWanted(PortState state);

    // How the meter answered a command. Refused: its failure code, or no such wavelength.
    // Unrecognised: a code that means nothing to the program, shown as a failure too.
    enum class ReplyOutcome { Success, Refused, Unrecognised };
    static ReplyOutcome OutcomeOf(uint8_t code);

    MeterSession(ISessionPresenter& presenter, std::unique_ptr<IPortSource> ports);
    ~MeterSession() override;

    // --- the language of every text the session shows ---
    vemla::Language Language() const { return m_language; }
    void SetLanguage(vemla::Language language) { m_language = language; }
    QString Text(const BilingualText& text) const { return Pick(text, m_language); }

    // --- the port ---
    PortList& Ports() { return m_ports; }
    const std::vector<PortEntry>& PortNames() const { return m_portNames; }
    // The list is about to open: an open port is closed, the ports are read again. True when
    // the listed ports changed, so the list must be refilled (with nothing chosen).
    bool PortListDropDown();
    // The port button with the list entry chosen (-1 for none).
    ToggleResult TogglePort(int listIndex);
    // Opens the port again when the operator wants it open; true when it is open.
    bool ReopenPort();
    // True when the port is open; otherwise the not-open message.
    bool CheckPortOpen();
    void Send(const OutFrame& frame);
    // Why the last open failed, for the operator.
    QString OpenFailureDetail() const;
    const CCommPort& Port() const { return m_port; }
    PortState State() const { return m_portState; }
    bool PortButtonDown() const { return ButtonDown(m_portState); }
    bool PortShownOpen() const { return ShownOpen(m_portState); }
    uint32_t PortNumber() const { return m_portNumber; }

    // --- the port that comes back ---
    // Reads the ports and fills PortNames() as a list drop-down would, without closing anything;
    // the index there of the port last opened (kept in the user's settings), if it is listed.
    std::optional<int> FindLastPort();
    // While the operator wants the port open, a device that went away is opened again when it
    // is back, without a box. On unless the operator turned it off (kept in the settings).
    bool AutoReconnect() const { return m_autoReconnect; }
    void SetAutoReconnect(bool on);
    // The port and its state, in the session's language, and the first VEMLA_PORTS entry that
    // was not listed, with why.
    QString PortStatusText() const;
    // The entry last opened, "COM3 (/dev/ttyUSB0)".
    QString PortName() const { return m_portName; }
    // The port opened is kept in the user's settings as the one to offer at the next start; a
    // session beside the main window's (another meter of the live window) keeps nothing.
    void SetRemembersPort(bool on) { m_remembersPort = on; }
    const UploadProgress& Progress() const { return m_progress; }

    // --- commands; each sends one frame, the reply arrives through OnRxChar ---
    void Connect();
    void Upload();
    void ReadPower();
    // row: the first selected table row, -1 for none.
    void DeleteSelected(int row);
    // Asks first; the end byte tells the meter the language.
    void DeleteAll();
    void PowerAdjust(float dBm);
    // Year (after 2000), month, day, hour, minute; each sent as its low byte.
    void SetTime(const std::array<uint32_t, 5>& fields);
    void SelectWave(int listIndex);
    void WaveEditChange(int portListIndex);
    void SendLasers();
    // The wave list as the wavelength dialog built it; false (and the range message) when the
    // wave count is beyond what the list holds.
    bool SetDeviceWaves(std::span<const uint8_t> waveList);
    void SendPinType(int type);

    // --- replies ---
    // One received byte, in arrival order. The port number is not used.
    void OnRxChar(uint8_t byte, uint32_t port);
    const ReplyAssembler& Assembler() const { return m_assembler; }

    // --- the instrument and the document ---
    const std::vector<int>& Waves() const { return m_waves; }
    const std::array<uint32_t, 4>& Lasers() const { return m_lasers; }
    void SetLasers(const std::array<uint32_t, 4>& lasers) { m_lasers = lasers; }
    int32_t WaveCount() const { return m_waveCount; }
    void SetWaveCount(int32_t count) { m_waveCount = count; }
    std::optional<int32_t> StoredPinType() const { return m_pinType; }
    std::optional<float> LastPower() const { return m_lastPower; }
    bool Linked() const { return m_linked; }

    // --- what the live monitor's polls may do ---
    // True while an operator's command waits for its reply, or a reply is being handled (its box
    // may be open). A command with no sign of its reply for kCommandWait no longer counts.
    bool CommandOutstanding() const;
    // The ReadPower frame alone, without the re-open READ POWER does; false when the port is
    // not open.
    bool SendPoll();
    // The wavelength the meter last acknowledged choosing; 0 while unknown.
    int SelectedWavelength() const { return m_selectedWavelength; }
    static constexpr std::chrono::milliseconds kCommandWait{3000};
    // For a front end that waits on its own terms (the command line's --timeout): a command's
    // reply is still awaited, and when the last frame of any reply came.
    bool AwaitingReply() const { return m_awaitedCode.has_value() || m_dispatchDepth > 0; }
    std::chrono::steady_clock::time_point LastReplySign() const { return m_lastReplySign; }
    // How the meter answered the command last sent; none while its reply is awaited or when it
    // gets none. The live monitor's polls are no commands.
    std::optional<ReplyOutcome> LastOutcome() const { return m_outcome; }

    int32_t RecordCounter() const { return m_recordCounter; }
    // Records of the last upload that arrived damaged and were left out: the numbers missing
    // between those that came. A damaged last record leaves no gap and is not counted.
    int SkippedRecords() const { return m_skippedRecords; }
    void SetRecordCounter(int32_t counter) { m_recordCounter = counter; }
    // The window shows the meter's records again after a delete-selected acknowledgement; a
    // front end without a table turns that off.
    void SetReuploadAfterDelete(bool on) { m_reuploadAfterDelete = on; }
    bool SilentUpload() const { return m_silentUpload; }
    void SetSilentUpload(bool on) { m_silentUpload = on; }
    RecordList& Records() { return m_records; }
    const RecordList& Records() const { return m_records; }
    const HeaderFields& Header() const { return m_header; }
    // Header edits come through here so that whoever keeps the document hears of them.
    void SetHeader(const HeaderFields& header);
    void SetHeaderField(QString HeaderFields::*field, const QString& text);
    // An archived upload brought back: its rows and header replace the session's, and the
    // record counter becomes the row count, as if the meter had just sent them.
    void ReplaceRecords(std::vector<MeterRecord> records, const HeaderFields& header);
    // The upload as every writer takes it: the reportable records, the header and the
    // instrument, with the language, limits and time the front end gives.
    UploadDocument Document(vemla::Language language, const CertificationSettings& certification,
                            const QDateTime& taken) const;

signals:
    // The port opened or closed: the lamp and the port button follow.
    void PortStateChanged();
    // The meter answered a connect: the wavelengths are in, the link is up (after the box).
    void WavesReceived();
    void LinkChanged(bool linked);
    // The wave count or the lasers changed in the session: the fields show them again.
    void FieldsChanged();
    void PowerReceived(const QString& text);
    // The ports changed while the list was shown: PortNames() holds the new list.
    void PortListChanged();
    // An upload is about to empty the table and ask the meter; reupload when it follows a
    // delete-selected acknowledgement. Progress() tells how it goes.
    void UploadStarted(bool reupload);
    // The meter's end reply came: the upload is whole (before its box is shown).
    void UploadEnded();
    void HeaderChanged();
    // The meter acknowledged a wavelength choice.
    void WavelengthAcknowledged();

private:
    // The ports as the list shows them now.
    void ListPorts(std::vector<PortEntry> entries);
    void DispatchReply(const ReplyFrame& frame);
    void AddRecord(const ReplyFrame& frame);
    // The upload that follows a delete-selected acknowledgement: SilentUpload keeps its value.
    void Reupload();
    void StartUpload(bool reupload);
    void ShowReply(const QString& text);
    void ShowMessage(const QString& text);
    void OnPortLost();
    void OnPortReturned(uint32_t number);
    void OnPortsChanged();
    // Opens the device of m_portNumber and starts its monitor; true when it is open.
    bool OpenDevice();
    void Apply(PortEvent event) { m_portState = NextPortState(m_portState, event); }
    QString PortStateText() const;
    QString SkippedPortText() const;
    void NoteCommandSent(const OutFrame& frame);
    void NoteReply(const ReplyFrame& frame);

    ISessionPresenter& m_presenter;
    vemla::Language m_language = Language::Chinese;

    PortList m_ports;
    std::vector<PortEntry> m_portNames;                    // as of the last refresh, in list order
    std::optional<std::vector<std::string>> m_listedNames; // what the port list shows
    PortState m_portState = PortState::NoPort;
    uint32_t m_portNumber = 0;
    QString m_portName; // the entry last opened, shown by the status line after it is gone
    PortIdentity m_savedPort;
    bool m_remembersPort = true;
    bool m_autoReconnect = true;
    PortWatch m_watch{m_ports};
    UploadProgress m_progress;

    ReplyAssembler m_assembler;
    int32_t m_recordCounter = 0;
    int m_skippedRecords = 0;
    int m_nextIndex = 0; // the record number the upload expects next
    // Set by delete-selected, cleared by UPLOAD: while set, an upload's end shows no box.
    bool m_silentUpload = false;
    bool m_reuploadAfterDelete = true;
    std::vector<int> m_waves;
    std::array<uint32_t, 4> m_lasers{};
    int32_t m_waveCount = 1;
    std::optional<int32_t> m_pinType;
    std::optional<float> m_lastPower;
    bool m_linked = false;
    RecordList m_records;
    HeaderFields m_header;

    // The operator's command whose reply is awaited, and the last sign of that reply.
    std::optional<uint8_t> m_awaitedCode;
    std::chrono::steady_clock::time_point m_lastReplySign;
    std::optional<ReplyOutcome> m_outcome;
    int m_dispatchDepth = 0; // replies being handled; a box inside one may nest another
    int m_chosenWaveIndex = -1;
    int m_selectedWavelength = 0;

    // Last, so it is destroyed first: its monitor thread stops before anything it reaches.
    CCommPort m_port;
};

} // namespace vemla
