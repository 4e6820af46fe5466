#include "SettingsDialogSupport.h"

#include "infra/StringIds.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLocale>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace fs = std::filesystem;
using namespace SettingsIds;

namespace {

// Stands in for udisks: "formats" by moving the card to a new mount point, as a remount does.
class StandInFormatter final : public ICardFormatter {
public:
    explicit StandInFormatter(std::function<FormatOutcome(const DriveInfo&)> format) : m_format(std::move(format)) {}
    FormatOutcome Format(const DriveInfo& drive) override
    {
        ++calls;
        return m_format(drive);
    }
    std::atomic<int> calls{0};

private:
    std::function<FormatOutcome(const DriveInfo&)> m_format;
};

bool WaitFor(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

class FormatFlow : public ::testing::Test, public SettingsDialogFixture {};

}  // namespace

TEST_F(FormatFlow, FormatIsOfferedOnlyForACardThatPassesTheGuard)
{
    environment.formatter = std::make_shared<StandInFormatter>([](const DriveInfo&) { return FormatOutcome{}; });
    // A fixed disk and a share are offered only when they hold the camera's files.
    for (const std::string& folder : {diskFolder, shareFolder})
        WriteFileBytes(folder + "/setup.cfg", "");
    SettingsController controller(remembered, environment);
    RunDialog(controller, [&](CQZOptionDlg& dialog) {
        QAbstractButton* format = Control<QAbstractButton>(dialog, kFormat);
        EXPECT_FALSE(format->isEnabled());
        ChooseCard(dialog);
        EXPECT_TRUE(format->isEnabled());
        Choose(dialog, kDriveList, IndexOf(dialog, "(" + diskFolder + ")"));
        EXPECT_FALSE(format->isEnabled());
        ChooseCard(dialog);
        Choose(dialog, kDriveList, IndexOf(dialog, "(" + shareFolder + ")"));
        EXPECT_FALSE(format->isEnabled());
    });
}

TEST_F(FormatFlow, AskedFirstThenFormatsOffTheInterfaceThreadAndReselectsTheCardWithItsEdits)
{
    const std::string newFolder = (dir.path() / "mnt" / "DVC-4410").string();
    std::thread::id formatThread;
    auto formatter = std::make_shared<StandInFormatter>([&](const DriveInfo& drive) {
        formatThread = std::this_thread::get_id();
        EXPECT_EQ(drive.device, "/dev/sdb1");
        fs::create_directories(newFolder);
        tree.ClearMounts();
        tree.Mount("/dev/sda1", diskFolder, "ext4");
        tree.Mount("/dev/sdb1", newFolder);
        FormatOutcome outcome;
        outcome.formatted = true;
        return outcome;
    });
    environment.formatter = formatter;
    boxes.answers = {QMessageBox::Cancel};
    SettingsController controller(remembered, environment);
    ASSERT_TRUE(RunDialog(controller, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Choose(dialog, kSpeakerVolume, 0);
        Click(dialog, kFormat);
        EXPECT_EQ(formatter->calls, 0);  // cancelled

        Click(dialog, kFormat);
        EXPECT_FALSE(dialog.isEnabled());
        ASSERT_TRUE(WaitFor([&] { return dialog.isEnabled(); }));
        EXPECT_EQ(formatter->calls, 1);
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentText().toStdString(), "CARD(" + newFolder + ")");
        EXPECT_EQ(dialog.m_pWorkingData->GetFolder(), newFolder);
        EXPECT_EQ(Control<QComboBox>(dialog, kSpeakerVolume)->currentIndex(), 0);
        Click(dialog, kSave);
    }));
    EXPECT_NE(formatThread, std::this_thread::get_id());
    const QString size = QLocale().formattedDataSize(62 * 2048 * 512, 1, QLocale::DataSizeSIFormat);
    const QString question = Text(StringId::kAskFormat) + "\n\n" + Text(StringId::kWillBeErased).arg("CARD", "/dev/sdb1", size);
    EXPECT_EQ(boxes.texts, (std::vector<QString>{question, question, Text(StringId::kFormatComplete)}));
    EXPECT_EQ(boxes.defaults, (std::vector<QMessageBox::StandardButton>{QMessageBox::Cancel, QMessageBox::Cancel}));
    EXPECT_EQ(controller.SetupData().GetSpeakerVolume(), 1);
    EXPECT_EQ(remembered, newFolder);
    EXPECT_TRUE(fs::exists(newFolder + "/setup.cfg"));
}

TEST_F(FormatFlow, AFailureOrNoFormatterIsTold)
{
    environment.formatter = std::make_shared<StandInFormatter>([](const DriveInfo&) {
        FormatOutcome outcome;
        outcome.error = "umount: target is busy.";
        return outcome;
    });
    SettingsController failing(remembered, environment);
    RunDialog(failing, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Click(dialog, kFormat);
        ASSERT_TRUE(WaitFor([&] { return dialog.isEnabled(); }));
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentText().toStdString(), CardItem());
    });
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], Text(StringId::kFormatFailed).arg("umount: target is busy."));

    environment.formatter = nullptr;
    SettingsController none(remembered, environment);
    RunDialog(none, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Click(dialog, kFormat);
    });
    EXPECT_EQ(boxes.texts.back(), Text(StringId::kNoFormatter));
}

// Pictures of the dialog with the card chosen and the clock ticked, in both languages, beside the build.
TEST_F(FormatFlow, ScreenshotsInBothLanguagesShowEveryTextWhole)
{
    const std::string lockedFolder = MountWriteProtectedCard();
    for (Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        remembered = cardFolder;
        SettingsController controller(remembered, environment);
        RunDialog(controller, [&](CQZOptionDlg& dialog) {
            Click(dialog, kApplyClock);
            QApplication::processEvents();
            for (QWidget* child : dialog.findChildren<QWidget*>()) {
                if (!child->isVisible())
                    continue;
                const QRect inDialog(child->mapTo(&dialog, QPoint(0, 0)), child->size());
                EXPECT_TRUE(dialog.rect().contains(inDialog)) << child->metaObject()->className();
                if (qobject_cast<QLabel*>(child) || qobject_cast<QAbstractButton*>(child)) {
                    EXPECT_GE(child->width(), child->sizeHint().width())
                        << qPrintable(child->property("text").toString());
                }
            }
            const QString name = language == Language::English ? "en" : "ko";
            dialog.grab().save(QCoreApplication::applicationDirPath() + "/../settings-dialog-" + name + ".png");
        });
        // A write-protected card: marked in the list, told under it, and Save is off.
        RunDialog(controller, [&](CQZOptionDlg& dialog) {
            const int locked = IndexOf(dialog, WriteProtectedItem(lockedFolder));  // in the language shown
            ASSERT_GE(locked, 0);
            Choose(dialog, kDriveList, locked);
            QApplication::processEvents();
            QLabel* note = Control<QLabel>(dialog, kReadOnlyNote);
            EXPECT_TRUE(note->isVisible());
            EXPECT_TRUE(dialog.rect().contains(QRect(note->mapTo(&dialog, QPoint(0, 0)), note->size())));
            const QString name = language == Language::English ? "en" : "ko";
            dialog.grab().save(QCoreApplication::applicationDirPath() + "/../settings-dialog-readonly-" + name + ".png");
        });
    }
    SetCurrentLanguage(Language::English);
}
