#pragma once

#include "settings/CardFormat.h"

#include <QDBusConnection>

// Formats the card through the udisks daemon on the system bus: it finds the volume's object, unmounts it,
// writes a FAT file system labelled for the camera on the partition and mounts it again. The daemon asks
// polkit, which may ask the user for a password.
class UDisksCardFormatter final : public ICardFormatter {
public:
    explicit UDisksCardFormatter(QDBusConnection bus = QDBusConnection::systemBus(), std::string root = "/");
    FormatOutcome Format(const DriveInfo& drive) override;
    // The daemon is running or can be started on the bus.
    static bool Usable(const QDBusConnection& bus = QDBusConnection::systemBus());

private:
    QDBusConnection m_bus;
    std::string m_root;
};

// The formatter this machine offers: udisks, else mkfs as root; null when there is none.
std::shared_ptr<ICardFormatter> MakeCardFormatter();
