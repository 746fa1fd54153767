#include "PortSource.h"

#include <QSerialPortInfo>

#include <filesystem>

namespace vemla {

namespace {

// The /dev/serial/by-id link of a device, so that two adapters of one kind can be told apart.
std::string ByIdLink(const std::string& device) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec)
        return {};
    fs::directory_iterator it("/dev/serial/by-id", ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code linkEc;
        if (fs::canonical(it->path(), linkEc) == target && !linkEc)
            return it->path().string();
    }
    return {};
}

class SystemPortSource final : public IPortSource {
public:
    std::vector<PortCandidate> Enumerate() override {
        std::vector<PortCandidate> candidates = m_environment->Enumerate();
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            PortCandidate c;
            c.device = info.systemLocation().toStdString();
            c.description = c.device;
            for (const QString& part : {info.manufacturer(), info.description()}) {
                if (!part.isEmpty())
                    c.description += "\n" + part.toStdString();
            }
            c.maker = info.manufacturer().toStdString();
            c.product = info.description().toStdString();
            c.serialNumber = info.serialNumber().toStdString();
            if (!c.serialNumber.empty())
                c.description += "\nserial number " + c.serialNumber;
            c.byIdLink = ByIdLink(c.device);
            if (!c.byIdLink.empty())
                c.description += "\n" + c.byIdLink;
            candidates.push_back(std::move(c));
        }
        return candidates;
    }
    std::vector<SkippedPort> Skipped() const override { return m_environment->Skipped(); }

private:
    std::unique_ptr<IPortSource> m_environment = CreateEnvironmentPortSource();
};

} // namespace

std::unique_ptr<IPortSource> CreateSystemPortSource() {
    return std::make_unique<SystemPortSource>();
}

} // namespace vemla
