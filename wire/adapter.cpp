#include "wire/adapter.h"

#include <algorithm>

QString AdapterIdentity::describe() const
{
    if (!serialNumber.isEmpty())
        return (product.isEmpty() ? QString() : product + QStringLiteral(", ")) + QStringLiteral("serial ")
               + serialNumber;
    return stableName.isEmpty() ? path : stableName;
}

AdapterIdentity identifyAdapter(const QString &given, const QString &resolved, const QList<SerialPortEntry> &ports)
{
    AdapterIdentity id;
    id.path = given;
    const auto entry = std::find_if(ports.begin(), ports.end(), [&](const SerialPortEntry &p) {
        return p.device == resolved || p.device == given || p.stableNames.contains(given);
    });
    if (entry == ports.end())
        return id;
    id.product = QStringList{entry->manufacturer, entry->description}.join(u' ').trimmed();
    if (!entry->serialNumber.isEmpty()) {
        id.serialNumber = entry->serialNumber;
        id.vendorId = entry->vendorId;
        id.productId = entry->productId;
        return id;
    }
    // by-id names hold the serial number where there is one, so without it the socket's name is the surer.
    const auto byPath = std::find_if(entry->stableNames.begin(), entry->stableNames.end(),
                                     [](const QString &name) { return name.contains(QLatin1String("/by-path/")); });
    if (entry->stableNames.contains(given))
        id.stableName = given;
    else if (byPath != entry->stableNames.end())
        id.stableName = *byPath;
    else if (!entry->stableNames.isEmpty())
        id.stableName = entry->stableNames.first();
    return id;
}

QString findAdapter(const AdapterIdentity &id, const QList<SerialPortEntry> &ports,
                    const std::function<bool(const QString &)> &exists)
{
    if (!id.listed())
        return exists(id.path) ? id.path : QString();
    const auto entry = std::find_if(ports.begin(), ports.end(), [&](const SerialPortEntry &p) {
        if (!id.serialNumber.isEmpty())
            return p.serialNumber == id.serialNumber && p.vendorId == id.vendorId && p.productId == id.productId;
        return p.stableNames.contains(id.stableName);
    });
    return entry == ports.end() ? QString() : entry->device;
}
