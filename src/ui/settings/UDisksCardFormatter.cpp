#include "ui/settings/UDisksCardFormatter.h"

#include "infra/DiagnosticLog.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

// Writing a file system on a large card takes a while.
constexpr int kFormatTimeoutMs = 30 * 60 * 1000;
constexpr int kCallTimeoutMs = 2 * 60 * 1000;

QDBusMessage Call(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments, int timeout = kCallTimeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    // Let polkit ask the user when the policy wants a password.
    message.setInteractiveAuthorizationAllowed(true);
    return bus.call(message, QDBus::Block, timeout);
}

bool Failed(const QDBusMessage& reply, FormatOutcome& outcome)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return false;
    outcome.error = (reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()).toStdString();
    return true;
}

}  // namespace

UDisksCardFormatter::UDisksCardFormatter(QDBusConnection bus, std::string root)
    : m_bus(std::move(bus)), m_root(std::move(root))
{
}

bool UDisksCardFormatter::Usable(const QDBusConnection& bus)
{
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon)
        return false;
    if (daemon->isServiceRegistered(kService))
        return true;
    const QDBusReply<QStringList> activatable =
        bus.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(kService);
}

FormatOutcome UDisksCardFormatter::Format(const DriveInfo& drive)
{
    FormatOutcome outcome;
    outcome.refusalId = CheckFormatTarget(drive, ReadFormatFacts(drive, m_root));
    if (outcome.refusalId != 0)
        return outcome;
    WriteLog("Format " + drive.device, "UDisksCardFormatter", "Format", kLogType, kLogLevelNormal);

    const QVariantMap device{{"path", QString::fromStdString(drive.device)}};
    const QDBusMessage resolved = Call(m_bus, kManagerPath, kManager, "ResolveDevice", {device, QVariantMap()});
    if (Failed(resolved, outcome))
        return outcome;
    const auto objects = qdbus_cast<QList<QDBusObjectPath>>(resolved.arguments().value(0));
    if (objects.isEmpty()) {
        outcome.error = "udisks does not know " + drive.device;
        return outcome;
    }
    const QString object = objects.first().path();

    if (Failed(Call(m_bus, object, kFilesystem, "Unmount", {QVariantMap()}), outcome))
        return outcome;
    const QVariantMap formatOptions{{"label", QString::fromLatin1(kCardLabel)}};
    const QDBusMessage formatted =
        Call(m_bus, object, kBlock, "Format", {QStringLiteral("vfat"), formatOptions}, kFormatTimeoutMs);
    outcome.formatted = formatted.type() != QDBusMessage::ErrorMessage;
    FormatOutcome mountOutcome;
    Failed(Call(m_bus, object, kFilesystem, "Mount", {QVariantMap()}), mountOutcome);
    if (!Failed(formatted, outcome))
        outcome.error = mountOutcome.error;
    return outcome;
}

std::shared_ptr<ICardFormatter> MakeCardFormatter()
{
    if (UDisksCardFormatter::Usable())
        return std::make_shared<UDisksCardFormatter>();
    if (MkfsCardFormatter::Usable())
        return std::make_shared<MkfsCardFormatter>();
    return nullptr;
}
