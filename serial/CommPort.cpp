#include "CommPort.h"

#include "HandOver.h"
#include "PortErrorText.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <system_error>

namespace vemla {

namespace {

using detail::DeliveryChannel;
using detail::HandOverEvent;
using detail::HandOverSink;
using detail::PostToWindow;

} // namespace

CCommPort::CCommPort(std::function<std::string(uint32_t)> resolve)
    : CCommPort(std::move(resolve), CreateSerialDevice()) {}

CCommPort::CCommPort(std::function<std::string(uint32_t)> resolve,
                     std::unique_ptr<ISerialDevice> device)
    : m_resolve(std::move(resolve)), m_device(std::move(device)),
      m_sink(std::make_unique<detail::HandOverSink>()) {}

CCommPort::~CCommPort() {
    StopMonitor();
    {
        std::lock_guard lock(m_portLock);
        m_device->Close();
        m_portOpen = false;
    }
}

void CCommPort::StopMonitor() {
    if (!m_monitor.joinable())
        return;
    // Every wait of the monitor thread includes the shutdown signal, a wait for the window
    // thread included, so this join cannot hang on a hand-over the window has not handled.
    m_shutdownSignal.Raise();
    m_monitor.join();
}

bool CCommPort::Open(const PortOwner& owner, uint32_t portNumber, int baud, char parity,
                     int dataBits, int stopBits, uint32_t eventMask, uint32_t bufferSize) {
    StopMonitor();
    m_writeSignal.Lower(); // a request not yet carried out is dropped
    m_shutdownSignal.Lower();
    ResetWriteRequest(bufferSize);
    m_owner = owner;
    m_portNumber = portNumber;
    m_eventMask = eventMask;

    const std::string settings = FormatSettingsString(baud, parity, dataBits, stopBits);
    const char* failedStep = nullptr;
    std::string failedText;
    {
        std::lock_guard lock(m_portLock);
        if (!OpenDevice(portNumber))
            return false;
        failedStep = ConfigureLine(settings, eventMask);
        if (failedStep)
            failedText = FormatPortErrorText(failedStep, m_device->LastErrorText(), portNumber);
        m_device->Purge();
    }
    // Shown after the lock is released: the box runs a nested event loop, in which the window
    // may re-open the port. Nothing of this object is touched after it.
    if (failedStep && owner.onError) {
        auto onError = owner.onError;
        onError(kPortErrorCaption, failedText);
    }
    return true;
}

void CCommPort::ResetWriteRequest(uint32_t bufferSize) {
    std::lock_guard request(m_requestLock);
    m_writeBuffer.assign(std::min(bufferSize, kMaxBufferSize), 0);
    m_writeLength = 0;
    m_writePending = false;
}

bool CCommPort::OpenDevice(uint32_t portNumber) {
    m_device->Close();
    m_portOpen = false;
    if (!m_writeSignal.IsValid() || !m_shutdownSignal.IsValid()) {
        m_lastOpenError = PortError::Other;
        m_lastOpenErrorText = "No wake-up signal could be created";
        return false;
    }
    const std::string path = m_resolve ? m_resolve(portNumber) : std::string();
    if (path.empty()) {
        m_lastOpenError = PortError::NoSuchDevice;
        m_lastOpenErrorText = "No such device";
        return false;
    }
    if (!m_device->Open(path)) {
        m_lastOpenError = m_device->LastError();
        if (m_lastOpenError == PortError::None)
            m_lastOpenError = PortError::Other;
        m_lastOpenErrorText = m_device->LastErrorText();
        return false;
    }
    m_portOpen = true;
    m_lastOpenError = PortError::None;
    m_lastOpenErrorText.clear();
    return true;
}

const char* CCommPort::ConfigureLine(const std::string& settings, uint32_t eventMask) {
    // One box at most: the steps after a failing one are skipped and the port keeps whatever
    // settings it has.
    LineState state;
    if (!m_device->SetTimeouts(CommTimeouts{}))
        return "SetCommTimeouts()";
    if (!m_device->SetEventMask(eventMask))
        return "SetCommMask()";
    if (!m_device->GetLineState(state))
        return "GetCommState()";
    state.rts = RtsControl::Enable;
    state.eventChar = 'q';
    if (!m_device->BuildLineState(settings, state))
        return "BuildCommDCB()";
    if (!m_device->SetLineState(state))
        return "SetCommState()";
    return nullptr;
}

bool CCommPort::StartMonitor() {
    if (m_monitor.joinable()) {
        if (!m_monitorEnded.load())
            return false; // one monitor thread per engine
        m_monitor.join();
    }
    auto channel = std::make_shared<DeliveryChannel>();
    channel->owner = m_owner;
    channel->port = m_portNumber;
    // The hand-overs run on the owner's thread.
    if (m_owner.context && m_sink->thread() != m_owner.context->thread())
        m_sink->moveToThread(m_owner.context->thread());
    channel->sink = m_sink.get();
    channel->spare = new HandOverEvent(channel);
    if (!channel->handled.IsValid() || !m_shutdownSignal.IsValid() || !m_writeSignal.IsValid())
        return false;
    m_readBuffer.resize(kReadChunk);
    m_lastHandOver = 0;
    m_monitorEnded = false;
    try {
        m_monitor = std::thread([this, channel] { MonitorLoop(channel); });
    } catch (const std::system_error&) {
        m_monitorEnded = true;
        return false;
    }
    return true;
}

bool CCommPort::Write(std::span<const uint8_t> bytes) {
    std::lock_guard request(m_requestLock);
    if (m_writeBuffer.empty() || bytes.size() > m_writeBuffer.size())
        return false;
    // A request the monitor thread has not yet taken is replaced; one it has taken is its own
    // copy and goes out unaltered.
    std::copy(bytes.begin(), bytes.end(), m_writeBuffer.begin());
    m_writeLength = static_cast<uint32_t>(bytes.size());
    m_writePending = true;
    m_writeSignal.Raise();
    return true;
}

void CCommPort::RequestStop() {
    m_shutdownSignal.Raise();
}

void CCommPort::MonitorLoop(const ChannelPtr& channel) {
    {
        std::lock_guard lock(m_portLock);
        if (m_device->IsOpen())
            m_device->Purge();
    }
    m_running = true;
    // Cleared once the port has failed (a hang-up reports itself at every poll): from then on
    // only shutdown and writes are answered, until the next Open.
    bool watchPort = (m_eventMask & kEventRxChar) != 0;
    const std::array<const WakeSignal*, 2> waitList{&m_shutdownSignal, &m_writeSignal};
    for (;;) {
        const WaitOutcome woke = m_device->Wait(waitList, watchPort);
        if (woke.failed) {
            if (m_shutdownSignal.IsRaised())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        // Priority: shutdown, then the port, then the write.
        if (woke.IsRaised(0))
            break;
        if (woke.port != PortReadiness::Nothing) {
            const DrainResult drained = DrainInput(channel, woke.port == PortReadiness::HangUp);
            if (drained == DrainResult::Shutdown)
                break;
            if (drained == DrainResult::PortFailed)
                watchPort = false;
            continue;
        }
        if (woke.IsRaised(1) && !SendPendingWrite(channel))
            break;
    }
    channel->wanted = false;
    {
        std::lock_guard lock(m_portLock);
        m_device->Close();
        m_portOpen = false;
    }
    m_running = false;
    m_monitorEnded = true;
}

CCommPort::DrainResult CCommPort::DrainInput(const ChannelPtr& channel, bool hangUpSeen) {
    if (!hangUpSeen && m_lastHandOver < kGatherBelow) {
        uint32_t waiting = 0;
        bool ok;
        {
            std::lock_guard lock(m_portLock);
            ok = m_device->BytesWaiting(waiting);
        }
        // Shutdown still wins while the bytes gather.
        if (ok && waiting < kGatherBelow && m_shutdownSignal.WaitRaised(kGatherMs))
            return DrainResult::Shutdown;
    }
    for (;;) {
        size_t got = 0;
        bool ok;
        {
            // A read that does not block takes what is waiting, so it needs no count first. After
            // a hang-up it tells whether anything is left or the line is gone.
            std::lock_guard lock(m_portLock);
            ok = m_device->Read(m_readBuffer, got);
        }
        if (!ok || (got == 0 && hangUpSeen)) {
            if (!ShowErrorFromMonitor(channel, "ReadFile()", /*lost=*/true))
                return DrainResult::Shutdown;
            return DrainResult::PortFailed;
        }
        if (got == 0)
            return DrainResult::Drained;
        m_lastHandOver = got;
        if (!DeliverBytes(channel,
                          std::vector<uint8_t>(m_readBuffer.begin(), m_readBuffer.begin() + got)))
            return DrainResult::Shutdown;
        // The queue was emptied: what came meanwhile the wait reports, after a shutdown check.
        if (got < m_readBuffer.size())
            return DrainResult::Drained;
    }
}

bool CCommPort::SendPendingWrite(const ChannelPtr& channel) {
    {
        std::lock_guard request(m_requestLock);
        m_writeSignal.Lower();
        if (!m_writePending)
            return true;
        m_sending.assign(m_writeBuffer.begin(), m_writeBuffer.begin() + m_writeLength);
        m_writePending = false;
    }
    WriteOutcome outcome;
    {
        std::lock_guard lock(m_portLock);
        // Bytes received but not yet read are discarded here, as is the output queue.
        m_device->Purge();
        outcome = m_device->Write(m_sending, m_shutdownSignal);
    }
    // No write-done notice follows: the window handles none, so none is delivered (nor the
    // event-character notice after a port event).
    if (outcome == WriteOutcome::Failed)
        return ShowErrorFromMonitor(channel, "WriteFile()");
    return outcome != WriteOutcome::Aborted;
}

bool CCommPort::WaitForWindow(const ChannelPtr& channel) {
    const std::array<const WakeSignal*, 2> waitList{&m_shutdownSignal, &channel->handled};
    for (;;) {
        const WaitOutcome woke = m_device->Wait(waitList, false);
        if (woke.IsRaised(0) || (woke.failed && m_shutdownSignal.IsRaised())) {
            channel->wanted = false; // the rest of the hand-over is dropped
            return false;
        }
        if (woke.IsRaised(1)) {
            channel->handled.Lower();
            return true;
        }
        if (woke.failed)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool CCommPort::DeliverBytes(const ChannelPtr& channel, std::vector<uint8_t> bytes) {
    if (!channel->owner.context || !channel->owner.onByte)
        return !m_shutdownSignal.IsRaised(); // nobody to hand them to
    PostToWindow(channel, [bytes = std::move(bytes)](DeliveryChannel& c) {
        for (uint8_t byte : bytes) {
            if (!c.wanted.load())
                return;
            c.owner.onByte(byte, c.port);
        }
        c.handled.Raise();
    });
    return WaitForWindow(channel);
}

bool CCommPort::ShowErrorFromMonitor(const ChannelPtr& channel, const char* operation, bool lost) {
    std::string text = FormatPortErrorText(operation, m_device->LastErrorText(), channel->port);
    if (!channel->owner.context || !channel->owner.onError)
        return !m_shutdownSignal.IsRaised();
    PostToWindow(channel, [text = std::move(text), lost](DeliveryChannel& c) {
        if (c.wanted.load())
            c.owner.onError(kPortErrorCaption, text);
        // Told only after the box is closed, so the box comes first and the lamp follows.
        if (lost && c.wanted.load() && c.owner.onLost)
            c.owner.onLost();
        c.handled.Raise();
    });
    return WaitForWindow(channel);
}

} // namespace vemla
