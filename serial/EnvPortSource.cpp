#include "PortSource.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace vemla {

std::vector<std::string> ParsePortPathList(std::string_view list) {
    std::vector<std::string> paths;
    std::set<std::string_view> seen;
    size_t start = 0;
    while (start <= list.size() && paths.size() < kMaxListedPaths) {
        size_t end = list.find(':', start);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view item = list.substr(start, end - start);
        if (!item.empty() && item.size() <= kMaxPathLength && seen.insert(item).second)
            paths.emplace_back(item);
        start = end + 1;
    }
    return paths;
}

namespace {

// The class the kernel files a character device under ("tty", "mem", "misc"...), "" when it has
// no entry in /sys (pseudo-terminal slaves have none).
std::string DeviceClass(dev_t device) {
    namespace fs = std::filesystem;
    const fs::path entry = "/sys/dev/char/" + std::to_string(major(device)) + ":" +
                           std::to_string(minor(device)) + "/subsystem";
    std::error_code ec;
    const fs::path subsystem = fs::read_symlink(entry, ec);
    return ec ? std::string() : subsystem.filename().string();
}

} // namespace

PortPathKind ClassifyPortPath(const std::string& path) {
    using State = PortPathKind::State;
    struct stat info {};
    // stat, not lstat: a link to a device is the device.
    if (::stat(path.c_str(), &info) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? State::Missing : State::Skipped};
    switch (info.st_mode & S_IFMT) {
    case S_IFCHR:
        break;
    case S_IFREG:
        return {State::Skipped, PortSkip::RegularFile};
    case S_IFIFO:
        return {State::Skipped, PortSkip::Fifo};
    case S_IFDIR:
        return {State::Skipped, PortSkip::Directory};
    case S_IFSOCK:
        return {State::Skipped, PortSkip::Socket};
    case S_IFBLK:
        return {State::Skipped, PortSkip::BlockDevice};
    default:
        return {State::Skipped};
    }
    const std::string deviceClass = DeviceClass(info.st_rdev);
    if (!deviceClass.empty() && deviceClass != "tty")
        return {State::Skipped, PortSkip::NotSerial, deviceClass};
    return {State::SerialLine};
}

std::vector<PortCandidate>
CandidatesFromPathList(std::string_view list,
                       const std::function<PortPathKind(const std::string&)>& classify,
                       std::vector<SkippedPort>* skipped) {
    std::vector<PortCandidate> candidates;
    for (auto& path : ParsePortPathList(list)) {
        const PortPathKind kind = classify(path);
        if (kind.state == PortPathKind::State::Skipped && skipped)
            skipped->push_back({path, kind.why, kind.deviceClass});
        if (kind.state != PortPathKind::State::SerialLine)
            continue;
        std::string description = path + "\nlisted in " + kPortsVariable;
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec)) {
            const auto target = std::filesystem::canonical(path, ec);
            if (!ec)
                description += "\nlink to " + target.string();
        }
        candidates.push_back({std::move(path), std::move(description)});
    }
    return candidates;
}

namespace {

class EnvironmentPortSource final : public IPortSource {
public:
    std::vector<PortCandidate> Enumerate() override {
        m_skipped.clear();
        const char* value = std::getenv(kPortsVariable);
        if (!value)
            return {};
        return CandidatesFromPathList(value, ClassifyPortPath, &m_skipped);
    }
    std::vector<SkippedPort> Skipped() const override { return m_skipped; }

private:
    std::vector<SkippedPort> m_skipped;
};

} // namespace

std::unique_ptr<IPortSource> CreateEnvironmentPortSource() {
    return std::make_unique<EnvironmentPortSource>();
}

} // namespace vemla
