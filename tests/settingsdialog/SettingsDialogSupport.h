#pragma once

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "settings/CQZSetupData.h"
#include "ui/settings/CQZOptionDlg.h"
#include "ui/settings/SettingsController.h"
#include "widgets/MessageBoxes.h"

#include "support/FakeDriveTree.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "support/qt/BoxRecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>

inline QString Text(int id)
{
    return QString::fromStdString(LoadString(id));
}

template <typename Widget>
Widget* Control(QWidget& dialog, int id)
{
    return dialog.findChild<Widget*>(QString::number(id));
}

// Picks an entry as the user does (the list's activated signal).
inline void Choose(QWidget& dialog, int id, int index)
{
    QComboBox* box = Control<QComboBox>(dialog, id);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline void Click(QWidget& dialog, int id)
{
    Control<QAbstractButton>(dialog, id)->click();
}

inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

// A card (sdb1, label CARD) mounted at a temp folder, a fixed disk and a network share, in a fake tree; a
// working folder of its own; recorded boxes and reports.
class SettingsDialogFixture {
public:
    SettingsDialogFixture() : tree(dir.path() / "root"), working(dir.path() / "work")
    {
        SetCurrentLanguage(Language::English);
        tree.AddDisk("sda", false);
        tree.AddPartition("sda", "sda1");
        tree.AddDisk("sdb", true, 64 * 2048);
        tree.AddPartition("sdb", "sdb1", 62 * 2048);
        tree.Label("sdb1", "CARD");
        std::filesystem::create_directories(cardFolder);
        std::filesystem::create_directories(diskFolder);
        std::filesystem::create_directories(shareFolder);
        tree.Mount("/dev/sda1", diskFolder, "ext4");
        tree.Mount("/dev/sdb1", cardFolder);
        tree.Mount("server:/share", shareFolder, "nfs4");
        environment.root = tree.Root();
        environment.clock = [this] { return now; };
    }

    std::string CardItem() const { return "CARD(" + cardFolder + ")"; }
    // A second, write-protected card (sdc, label LOCKED); its mount folder.
    std::string MountWriteProtectedCard()
    {
        const std::string folder = (dir.path() / "mnt" / "LOCKED").string();
        std::filesystem::create_directories(folder);
        tree.AddDisk("sdc", true, 2048, true);
        tree.Label("sdc", "LOCKED");
        tree.Mount("/dev/sdc", folder);
        return folder;
    }
    // Its item in the drive list, marked as read-only.
    static std::string WriteProtectedItem(const std::string& folder)
    {
        return Text(StringId::kReadOnlyItem).arg(QString::fromStdString("LOCKED(" + folder + ")")).toStdString();
    }
    int IndexOf(QWidget& dialog, const std::string& item)
    {
        return Control<QComboBox>(dialog, SettingsIds::kDriveList)->findText(QString::fromStdString(item));
    }
    void ChooseCard(QWidget& dialog) { Choose(dialog, SettingsIds::kDriveList, IndexOf(dialog, CardItem())); }

    // Runs the dialog through the controller; `act` works in it while it is shown. A dialog still open
    // afterwards is cancelled, so that Run() returns.
    bool RunDialog(SettingsController& controller, const std::function<void(CQZOptionDlg&)>& act)
    {
        QTimer::singleShot(0, [&] {
            act(controller.Dialog());
            stayedOpen = controller.Dialog().isVisible();
            if (stayedOpen)
                controller.Dialog().reject();
        });
        return controller.Run();
    }

    TempDir dir;
    FakeDriveTree tree;
    std::filesystem::path working;
    ScopedCurrentPath inWorking{(std::filesystem::create_directories(working), working)};
    std::string cardFolder = (dir.path() / "mnt" / "CARD").string();
    std::string diskFolder = (dir.path() / "mnt" / "disk").string();
    std::string shareFolder = (dir.path() / "mnt" / "share").string();
    BoxRecorder boxes;
    RecordingReporter reporter;
    std::string remembered;
    std::time_t now = LocalTime(2012, 8, 20, 7, 9, 37);
    SettingsEnvironment environment;
    bool stayedOpen = false;
};
