#include "PortList.h"

#include "PortErrorText.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace vemla {

namespace {

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '?';
    }
    return out;
}

// Drops UTF-8 continuation bytes at the start, left by a cut from the front.
void TrimOrphanUtf8Head(std::string& text) {
    size_t n = 0;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        ++n;
    text.erase(0, n);
}

// Two paths naming the same device (a link and its target) count as one.
std::string SameDeviceKey(const std::string& device) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(device, ec);
    return ec ? device : canonical.string();
}

} // namespace

std::string MakePortName(uint32_t number, std::string_view shown, CutFrom cut) {
    const std::string head = "COM" + std::to_string(number) + " (";
    const std::string tail = ")";
    std::string middle = Printable(shown);
    if (head.size() + tail.size() >= kMaxPortNameLength)
        return head.substr(0, kMaxPortNameLength);
    const size_t room = kMaxPortNameLength - head.size() - tail.size();
    if (middle.size() > room) {
        static constexpr std::string_view kEllipsis = "...";
        const size_t keep = room > kEllipsis.size() ? room - kEllipsis.size() : 0;
        if (cut == CutFrom::Start) {
            middle = middle.substr(middle.size() - keep);
            TrimOrphanUtf8Head(middle);
            middle.insert(0, kEllipsis.substr(0, room - keep));
        } else {
            middle.resize(keep);
            TrimIncompleteUtf8Tail(middle);
            middle.append(kEllipsis.substr(0, room - keep));
        }
    }
    return head + middle + tail;
}

PortList::PortList(std::unique_ptr<IPortSource> source) : m_source(std::move(source)) {}

void PortList::AddVirtual(const std::string& device, const std::string& label) {
    RemoveVirtual(device);
    m_virtual.push_back({device, label});
}

void PortList::RemoveVirtual(const std::string& device) {
    std::erase_if(m_virtual, [&](const VirtualPort& v) { return v.device == device; });
}

uint32_t PortList::NumberFor(const std::string& device) {
    if (auto it = m_numbers.find(device); it != m_numbers.end())
        return it->second;
    for (uint32_t n = 1; n <= kMaxPortNumber; ++n) {
        if (!m_given.test(n)) {
            m_given.set(n);
            m_numbers.emplace(device, n);
            return n;
        }
    }
    return 0;
}

std::vector<PortList::Listed> PortList::Read() const {
    std::vector<Listed> listed;
    for (const auto& v : m_virtual)
        listed.push_back({{v.device, v.label + "\n" + v.device, {}, {}}, v.label, CutFrom::End});
    if (m_source) {
        for (auto& c : m_source->Enumerate()) {
            std::string shown = c.device;
            listed.push_back({std::move(c), std::move(shown), CutFrom::Start});
        }
    }
    return listed;
}

void PortList::Build(const std::vector<Listed>& listed) {
    m_entries.clear();
    std::set<std::string> seen;
    for (const auto& l : listed) {
        if (m_entries.size() == kMaxPortEntries)
            break;
        const PortCandidate& c = l.port;
        if (c.device.empty() || !seen.insert(SameDeviceKey(c.device)).second)
            continue;
        const uint32_t number = NumberFor(c.device);
        if (number == 0)
            continue;
        m_entries.push_back({number, c.device, MakePortName(number, l.shown, l.cut),
                             c.description.empty() ? c.device : c.description, c.serialNumber,
                             c.byIdLink, c.maker, c.product});
    }
}

const std::vector<PortEntry>& PortList::Refresh() {
    m_lastRead = Read();
    Build(m_lastRead);
    return m_entries;
}

bool PortList::Poll() {
    std::vector<Listed> listed = Read();
    if (listed == m_lastRead)
        return false;
    m_lastRead = std::move(listed);
    const std::vector<PortEntry> before = m_entries;
    Build(m_lastRead);
    return before.size() != m_entries.size() ||
           !std::equal(before.begin(), before.end(), m_entries.begin(),
                       [](const PortEntry& a, const PortEntry& b) {
                           return a.number == b.number && a.name == b.name &&
                                  a.description == b.description;
                       });
}

std::string PortList::DeviceFor(uint32_t number) const {
    for (const auto& e : m_entries) {
        if (e.number == number)
            return e.device;
    }
    return {};
}

} // namespace vemla
