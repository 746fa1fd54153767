#pragma once
// The monitor thread's hand-over to the window thread: the received bytes (or an error box)
// pass through a mailbox under a lock, and a posted event tells the window thread to look. The
// monitor thread waits until the window has handled one hand-over before it posts the next.

#include "CommPort.h"

#include <QEvent>
#include <QObject>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace vemla {

namespace detail {

class HandOverEvent;

// One per run of the monitor thread, shared with the hand-overs it posts, so that a hand-over
// left in the window's queue stays harmless after the engine has stopped or gone.
struct DeliveryChannel {
    ~DeliveryChannel();

    PortOwner owner;
    uint32_t port = 0;
    HandOverSink* sink = nullptr;   // lives on the window thread, outlives the monitor thread
    std::atomic<bool> wanted{true}; // cleared when the monitor thread abandons its hand-over
    WakeSignal handled;             // raised by the window thread when a hand-over is done

    // The hand-over itself passes under this lock, not inside the event: the event only tells
    // the window thread to look. The window thread also makes the event the monitor thread posts
    // next, so nothing the window thread reads was made on the monitor thread without the lock.
    std::mutex mailLock;
    std::function<void(DeliveryChannel&)> mail; // holds no reference to the channel: no cycle
    HandOverEvent* spare = nullptr;
};

// "Look in the mailbox". Qt owns a posted event and deletes it on the window thread.
class HandOverEvent final : public QEvent {
public:
    explicit HandOverEvent(std::weak_ptr<DeliveryChannel> channel)
        : QEvent(Kind()), m_channel(std::move(channel)) {}
    static QEvent::Type Kind() {
        static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
        return kind;
    }
    // On the window thread: takes the hand-over and leaves the next event in its place.
    std::function<void()> TakeJob() {
        const auto channel = m_channel.lock();
        if (!channel)
            return {}; // the monitor thread has gone, and with it its hand-over
        std::lock_guard lock(channel->mailLock);
        if (!channel->spare)
            channel->spare = new HandOverEvent(m_channel);
        if (!channel->mail)
            return {};
        // The channel is kept alive while the hand-over runs.
        return [channel, job = std::move(channel->mail)] { job(*channel); };
    }

private:
    std::weak_ptr<DeliveryChannel> m_channel;
};

// Receives the hand-overs on the window thread. A byte handler that shows a modal box runs a
// nested event loop; a hand-over that arrives then (from a port re-opened meanwhile) is held until
// the handler has returned, so the window never handles two hand-overs at once. Deleting the sink
// drops the hand-overs still queued for it; it may be deleted from inside one (the window closes
// while a reply box is up), so the gate outlives it on the stack.
class HandOverSink final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != HandOverEvent::Kind())
            return QObject::event(e);
        std::function<void()> job = static_cast<HandOverEvent*>(e)->TakeJob();
        if (!job)
            return true;
        const std::shared_ptr<Gate> gate = m_gate;
        RunGated(*gate, std::move(job));
        return true; // nothing of this object is touched after the hand-over
    }

private:
    struct Gate {
        bool busy = false;
        std::deque<std::function<void()>> held;
    };

    static void RunGated(Gate& gate, std::function<void()> job) {
        if (gate.busy) {
            gate.held.push_back(std::move(job));
            return;
        }
        gate.busy = true;
        struct Release {
            bool& busy;
            ~Release() { busy = false; }
        } release{gate.busy};
        job();
        while (!gate.held.empty()) {
            auto next = std::move(gate.held.front());
            gate.held.pop_front();
            next();
        }
    }

    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
};

} // namespace detail

namespace detail {
// On the monitor thread. One hand-over at a time: the next is posted only after the window has
// handled this one (its event has then left the spare for it) or the thread is ending.
void PostToWindow(const std::shared_ptr<DeliveryChannel>& channel,
                  std::function<void(DeliveryChannel&)> job);
} // namespace detail

} // namespace vemla
