#include "PortSource.h"

#include <cstdlib>
#include <filesystem>
#include <set>

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

std::vector<PortCandidate>
CandidatesFromPathList(std::string_view list,
                       const std::function<bool(const std::string&)>& exists) {
    std::vector<PortCandidate> candidates;
    for (auto& path : ParsePortPathList(list)) {
        if (!exists(path))
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
        const char* value = std::getenv(kPortsVariable);
        if (!value)
            return {};
        return CandidatesFromPathList(value, [](const std::string& path) {
            std::error_code ec;
            return std::filesystem::exists(path, ec);
        });
    }
};

} // namespace

std::unique_ptr<IPortSource> CreateEnvironmentPortSource() {
    return std::make_unique<EnvironmentPortSource>();
}

} // namespace vemla
