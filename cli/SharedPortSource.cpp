#include "SharedPortSource.h"

namespace vemla {

class SharedPortSource::Reader final : public IPortSource {
public:
    explicit Reader(SharedPortSource& shared) : m_shared(shared) {}
    std::vector<PortCandidate> Enumerate() override { return m_shared.Read(); }
    std::vector<SkippedPort> Skipped() const override { return m_shared.m_source->Skipped(); }

private:
    SharedPortSource& m_shared;
};

std::unique_ptr<IPortSource> SharedPortSource::View() {
    return std::make_unique<Reader>(*this);
}

const std::vector<PortCandidate>& SharedPortSource::Read() {
    const auto now = std::chrono::steady_clock::now();
    if (!m_everRead || now - m_readAt >= kFresh) {
        m_read = m_source->Enumerate();
        m_readAt = now;
        m_everRead = true;
    }
    return m_read;
}

} // namespace vemla
