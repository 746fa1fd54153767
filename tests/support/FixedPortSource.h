#pragma once
// A port list that says exactly what the test wants, instead of the machine's devices.

#include "PortSource.h"

#include <memory>
#include <string>
#include <vector>

namespace vemla::test {

class FixedPortSource final : public IPortSource {
public:
    explicit FixedPortSource(std::shared_ptr<std::vector<PortCandidate>> ports)
        : m_ports(std::move(ports)) {}
    std::vector<PortCandidate> Enumerate() override { return *m_ports; }

private:
    std::shared_ptr<std::vector<PortCandidate>> m_ports;
};

} // namespace vemla::test
