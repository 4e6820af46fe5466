#include "ui/settings/UDisksCardFormatter.h"

#include "infra/StringIds.h"

#include "support/FakeDriveTree.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <future>

namespace {

const QString kBlockPath = "/org/freedesktop/UDisks2/block_devices/sdb1";

// Answers as the udisks daemon does for the calls the formatter makes, noting each one; a member named in
// `refuse` answers with an error.
class StandInUDisks final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QString call = message.path() + " " + message.interface() + "." + message.member();
        if (message.member() == "ResolveDevice")
            call += " " + qdbus_cast<QVariantMap>(message.arguments().value(0)).value("path").toString();
        if (message.member() == "Format")
            call += " " + message.arguments().value(0).toString() + " " +
                    qdbus_cast<QVariantMap>(message.arguments().value(1)).value("label").toString();
        calls.push_back(call);
        if (message.member() == refuse)
            return connection.send(message.createErrorReply("org.freedesktop.UDisks2.Error.DeviceBusy",
                                                            "target is busy"));
        if (message.member() == "ResolveDevice")
            return connection.send(message.createReply(QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(kBlockPath)})));
        if (message.member() == "Mount")
            return connection.send(message.createReply(QString("/media/u/DVC-4410")));
        return connection.send(message.createReply());
    }

    std::vector<QString> calls;
    QString refuse;
};

// A message bus of the test's own, so that nothing reaches the system's udisks.
class PrivateBus {
public:
    explicit PrivateBus(const std::filesystem::path& folder)
    {
        const QString config = QString::fromStdString((folder / "bus.conf").string());
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write("<busconfig><type>session</type><listen>unix:tmpdir=" + QByteArray(folder.c_str()) +
                   "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                   "<allow own=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>");
        file.close();
        m_daemon.start("dbus-daemon", {"--nofork", "--print-address", "--config-file=" + config});
        if (m_daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus("stand-in");
        QDBusConnection::disconnectFromBus("client");
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QString address;

private:
    QProcess m_daemon;
};

class UDisksFormatter : public ::testing::Test {
protected:
    UDisksFormatter() : tree(dir.path() / "root"), bus(dir.path())
    {
        tree.AddDisk("sda", false);
        tree.AddPartition("sda", "sda1");
        tree.AddDisk("sdb", true);
        tree.AddPartition("sdb", "sdb1");
        tree.Mount("/dev/sda1", "/", "ext4");
        tree.Mount("/dev/sdb1", "/media/u/CARD");
        card.device = "/dev/sdb1";
        card.mountPoint = "/media/u/CARD";
        card.type = DriveType::Removable;
    }

    void SetUp() override
    {
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address, "stand-in"));
        ASSERT_TRUE(service->registerService("org.freedesktop.UDisks2"));
        ASSERT_TRUE(service->registerVirtualObject("/org/freedesktop/UDisks2", &udisks, QDBusConnection::SubPath));
    }

    // Formats on a thread of its own, as the dialog does, while this thread answers for the daemon.
    FormatOutcome Format(const DriveInfo& drive)
    {
        UDisksCardFormatter formatter(QDBusConnection::connectToBus(bus.address, "client"), tree.Root());
        auto outcome = std::async(std::launch::async, [&] { return formatter.Format(drive); });
        while (outcome.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return outcome.get();
    }

    TempDir dir;
    FakeDriveTree tree;
    PrivateBus bus;
    StandInUDisks udisks;
    std::unique_ptr<QDBusConnection> service;
    DriveInfo card;
};

}  // namespace

TEST_F(UDisksFormatter, UnmountsFormatsAndMountsTheCardsPartitionInThatOrder)
{
    EXPECT_TRUE(UDisksCardFormatter::Usable(QDBusConnection::connectToBus(bus.address, "client")));
    const FormatOutcome outcome = Format(card);
    EXPECT_TRUE(outcome.formatted);
    EXPECT_EQ(outcome.refusalId, 0);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(udisks.calls, (std::vector<QString>{
                                "/org/freedesktop/UDisks2/Manager org.freedesktop.UDisks2.Manager.ResolveDevice /dev/sdb1",
                                kBlockPath + " org.freedesktop.UDisks2.Filesystem.Unmount",
                                kBlockPath + " org.freedesktop.UDisks2.Block.Format vfat DVC-4410",
                                kBlockPath + " org.freedesktop.UDisks2.Filesystem.Mount",
                            }));
}

TEST_F(UDisksFormatter, ARefusalCallsNothingAndARefusedUnmountFormatsNothing)
{
    DriveInfo system = card;
    system.device = "/dev/sda1";
    system.mountPoint = "/";
    EXPECT_EQ(Format(system).refusalId, StringId::kOnlyRemovableCard);
    EXPECT_TRUE(udisks.calls.empty());

    udisks.refuse = "Unmount";
    const FormatOutcome outcome = Format(card);
    EXPECT_FALSE(outcome.formatted);
    EXPECT_EQ(outcome.error, "target is busy");
    ASSERT_EQ(udisks.calls.size(), 2u);
    EXPECT_TRUE(udisks.calls.back().endsWith("Filesystem.Unmount"));
}
