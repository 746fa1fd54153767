#include "PortIdentity.h"

#include "PortSource.h"
#include "PrivateSettings.h"

#include <QSettings>

namespace vemla {

namespace {

constexpr auto kLastDevice = "port/lastDevice";
constexpr auto kLastSerialNumber = "port/lastSerialNumber";
constexpr auto kLastByIdLink = "port/lastByIdLink";
constexpr auto kAutoReconnect = "port/autoReconnect";

std::string ReadBounded(const QSettings& settings, const char* key) {
    const QString value = settings.value(QLatin1String(key)).toString();
    if (value.size() > static_cast<qsizetype>(kMaxPathLength))
        return {};
    return value.toStdString();
}

} // namespace

PortIdentity IdentityOf(const PortEntry& entry) {
    return {entry.device, entry.serialNumber, entry.byIdLink};
}

std::optional<std::size_t> FindPort(const std::vector<PortEntry>& entries,
                                    const PortIdentity& identity) {
    const auto find = [&](auto same) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (same(entries[i]))
                return i;
        return std::nullopt;
    };
    if (!identity.byIdLink.empty())
        if (auto at = find([&](const PortEntry& e) { return e.byIdLink == identity.byIdLink; }))
            return at;
    if (!identity.serialNumber.empty())
        if (auto at =
                find([&](const PortEntry& e) { return e.serialNumber == identity.serialNumber; }))
            return at;
    if (identity.device.empty())
        return std::nullopt;
    return find([&](const PortEntry& e) { return e.device == identity.device; });
}

PortIdentity LoadLastPort() {
    const QSettings settings;
    return {ReadBounded(settings, kLastDevice), ReadBounded(settings, kLastSerialNumber),
            ReadBounded(settings, kLastByIdLink)};
}

void SaveLastPort(const PortIdentity& identity) {
    QSettings settings;
    settings.setValue(QLatin1String(kLastDevice), QString::fromStdString(identity.device));
    settings.setValue(QLatin1String(kLastSerialNumber),
                      QString::fromStdString(identity.serialNumber));
    settings.setValue(QLatin1String(kLastByIdLink), QString::fromStdString(identity.byIdLink));
    SyncPrivate(settings);
}

bool LoadAutoReconnect() {
    return QSettings().value(QLatin1String(kAutoReconnect), true).toBool();
}

void SaveAutoReconnect(bool on) {
    QSettings settings;
    settings.setValue(QLatin1String(kAutoReconnect), on);
    SyncPrivate(settings);
}

} // namespace vemla
