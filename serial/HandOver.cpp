#include "HandOver.h"

#include <QCoreApplication>

namespace vemla::detail {

DeliveryChannel::~DeliveryChannel() {
    delete spare;
}

void PostToWindow(const std::shared_ptr<DeliveryChannel>& channel,
                  std::function<void(DeliveryChannel&)> job) {
    HandOverEvent* poke = nullptr;
    {
        std::lock_guard lock(channel->mailLock);
        channel->mail = std::move(job);
        poke = std::exchange(channel->spare, nullptr);
    }
    if (!poke)
        poke = new HandOverEvent(channel);
    QCoreApplication::postEvent(channel->sink, poke);
}

} // namespace vemla::detail
