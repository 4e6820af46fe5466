#include "SettingsDialogSupport.h"

#include "infra/StringIds.h"

#include "infra/FileIo.h"
#include "infra/UserFolders.h"

#include "support/DefaultSetupFile.h"

#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace SettingsIds;

namespace {

struct ListField {
    int id;
    int count;
    int offset;
    int fallback;
    void (CQZSetupData::*set)(int);
};

const ListField kLists[] = {
    {kAccTriggerLevel, 7, 0, 3, &CQZSetupData::SetAccTriggerLevel},
    {kRecVideoQuality, 3, 1, 3, &CQZSetupData::SetRecVideoQuality},
    {kVideoChannels, 2, 1, 2, &CQZSetupData::SetVideoChannels},
    {kSpeakerVolume, 5, 1, 3, &CQZSetupData::SetSpeakerVolume},
    {kParkingModeTime, 3, 0, 1, &CQZSetupData::SetParkingModeTime},
    {kLanguage, 2, 0, 1, &CQZSetupData::SetLanguage},
};

class SettingsDialog : public ::testing::Test, public SettingsDialogFixture {
protected:
    std::string CardFile(const std::string& name) const { return cardFolder + "/" + name; }
};

}  // namespace

// Every entry of every list, and the two check boxes, reach setup.cfg as the file's writer spells them; a
// list without a selection stores its fallback.
TEST_F(SettingsDialog, EveryListEntryAndCheckBoxIsSavedAsTheFileWriterWritesIt)
{
    struct Case {
        const ListField* list;
        int index;
        Qt::CheckState parking, audio;
    };
    std::vector<Case> cases;
    for (const ListField& list : kLists)
        for (int index = -1; index < list.count; ++index)
            cases.push_back({&list, index, Qt::Checked, Qt::Checked});
    cases.push_back({&kLists[0], 3, Qt::Unchecked, Qt::Unchecked});
    cases.push_back({&kLists[0], 3, Qt::PartiallyChecked, Qt::Unchecked});  // a third state counts as ticked
    cases.push_back({&kLists[0], 3, Qt::Unchecked, Qt::PartiallyChecked});

    for (const Case& c : cases) {
        SCOPED_TRACE("list " + std::to_string(c.list->id) + " index " + std::to_string(c.index) + " boxes " +
                     std::to_string(c.parking) + std::to_string(c.audio));
        fs::remove(CardFile("setup.cfg"));
        SettingsController controller(remembered, environment);
        const bool saved = RunDialog(controller, [&](CQZOptionDlg& dialog) {
            ChooseCard(dialog);
            Choose(dialog, c.list->id, c.index);
            Control<QCheckBox>(dialog, kParkingModeSelect)->setCheckState(c.parking);
            Control<QCheckBox>(dialog, kRecAudioEnable)->setCheckState(c.audio);
            Click(dialog, kSave);
        });
        ASSERT_TRUE(saved);
        CQZSetupData expected;
        (expected.*c.list->set)(c.index < 0 ? c.list->fallback : c.index + c.list->offset);
        expected.SetParkingModeSelect(c.parking == Qt::Unchecked ? 0 : 1);
        expected.SetRecAudioEnable(c.audio == Qt::Unchecked ? 0 : 1);
        EXPECT_EQ(ReadFileBytes(CardFile("setup.cfg")), ToCrLf(expected.BuildText()));
        EXPECT_EQ(controller.SetupData().BuildText(), expected.BuildText());
        EXPECT_FALSE(fs::exists(CardFile("time.cfg")));
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(SettingsDialog, ASavedValueSelectsItsEntryAndNoFileShowsTheDefaults)
{
    remembered = cardFolder;
    for (const ListField& list : kLists) {
        for (int index = 0; index < list.count; ++index) {
            SCOPED_TRACE("list " + std::to_string(list.id) + " index " + std::to_string(index));
            CQZSetupData file;
            file.SetFolder(cardFolder);
            (file.*list.set)(index + list.offset);
            file.SetParkingModeSelect(index % 2);
            file.SetRecAudioEnable(1 - index % 2);
            ASSERT_TRUE(file.Save());
            SettingsController controller(remembered, environment);
            RunDialog(controller, [&](CQZOptionDlg& dialog) {
                EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentText().toStdString(), CardItem());
                EXPECT_EQ(Control<QComboBox>(dialog, list.id)->currentIndex(), index);
                EXPECT_EQ(Control<QCheckBox>(dialog, kParkingModeSelect)->isChecked(), index % 2 == 1);
                EXPECT_EQ(Control<QCheckBox>(dialog, kRecAudioEnable)->isChecked(), index % 2 == 0);
            });
        }
    }

    fs::remove(CardFile("setup.cfg"));
    SettingsController controller(remembered, environment);
    RunDialog(controller, [&](CQZOptionDlg& dialog) {
        const std::pair<int, const char*> shown[] = {{kAccTriggerLevel, "보통 중"}, {kRecVideoQuality, "고"},
                                                     {kVideoChannels, "전후방"},    {kSpeakerVolume, "Level 3"},
                                                     {kParkingModeTime, "10분"},    {kLanguage, "한국어"}};
        for (const auto& [id, text] : shown)
            EXPECT_EQ(Control<QComboBox>(dialog, id)->currentText(), QString::fromUtf8(text)) << id;
        EXPECT_TRUE(Control<QCheckBox>(dialog, kParkingModeSelect)->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(dialog, kRecAudioEnable)->isChecked());
    });
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(SettingsDialog, ApplyWritesTheChosenClockBeforeSetupAndRefusesAMissingOrImpossibleDate)
{
    SettingsController controller(remembered, environment);
    ASSERT_TRUE(RunDialog(controller, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Click(dialog, kApplyClock);
        EXPECT_EQ(Control<QComboBox>(dialog, kYear)->currentText(), "2012");
        EXPECT_EQ(Control<QComboBox>(dialog, kSecond)->currentText(), "37");
        Click(dialog, kSave);
    }));
    EXPECT_EQ(ReadFileBytes(CardFile("time.cfg")), "12/08/20\r\n07:09:37\r\n");
    EXPECT_TRUE(fs::exists(CardFile("setup.cfg")));

    // Ticked, then cleared: the lists empty and only setup.cfg is written.
    fs::remove(CardFile("time.cfg"));
    SettingsController cleared(remembered, environment);
    ASSERT_TRUE(RunDialog(cleared, [&](CQZOptionDlg& dialog) {
        Click(dialog, kApplyClock);
        Click(dialog, kApplyClock);
        EXPECT_EQ(Control<QComboBox>(dialog, kYear)->currentIndex(), -1);
        Click(dialog, kSave);
    }));
    EXPECT_FALSE(fs::exists(CardFile("time.cfg")));

    // A clock past the year list, and 29 February of a common year: told, nothing written, the dialog stays.
    fs::remove(CardFile("setup.cfg"));
    now = LocalTime(2031, 1, 2, 3, 4, 5);
    SettingsController late(remembered, environment);
    EXPECT_FALSE(RunDialog(late, [&](CQZOptionDlg& dialog) {
        Click(dialog, kApplyClock);
        EXPECT_EQ(Control<QComboBox>(dialog, kYear)->currentIndex(), -1);
        Click(dialog, kSave);
    }));
    EXPECT_TRUE(stayedOpen);
    SettingsController leap(remembered, environment);
    EXPECT_FALSE(RunDialog(leap, [&](CQZOptionDlg& dialog) {
        Click(dialog, kApplyClock);
        Choose(dialog, kYear, 2);   // 2013
        Choose(dialog, kMonth, 1);  // 02
        Choose(dialog, kDay, 28);   // 29
        Click(dialog, kSave);
    }));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(boxes.texts, (std::vector<QString>{Text(StringId::kSelectDateTime), Text(StringId::kNoSuchDate)}));
    EXPECT_TRUE(FolderEntries(cardFolder).empty());
}

TEST_F(SettingsDialog, FirstOpeningNeedsADriveAndTheNextOneReloadsTheSavedCard)
{
    ViewerOptions options;
    options.m_playValue = 3;
    SettingsController first(remembered, environment);
    first.SetOptions(options);
    EXPECT_FALSE(RunDialog(first, [&](CQZOptionDlg& dialog) {
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentIndex(), -1);
        for (const ListField& list : kLists)
            EXPECT_EQ(Control<QComboBox>(dialog, list.id)->currentIndex(), -1);
        EXPECT_FALSE(Control<QCheckBox>(dialog, kApplyClock)->isChecked());
        Control<QSlider>(dialog, kScanSlider)->setValue(7);
        EXPECT_EQ(Control<QLineEdit>(dialog, kScanValue)->text(), "7");
        Click(dialog, kSave);
    }));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(boxes.texts, std::vector<QString>{Text(StringId::kSelectDrive)});
    EXPECT_EQ(first.GetOptions().m_playValue, 3);  // cancelled: the options passed in
    EXPECT_TRUE(FolderEntries(cardFolder).empty());
    EXPECT_TRUE(FolderEntries(working).empty());

    SettingsController second(remembered, environment);
    second.SetOptions(options);
    ASSERT_TRUE(RunDialog(second, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Choose(dialog, kSpeakerVolume, 4);
        Control<QSlider>(dialog, kScanSlider)->setValue(7);
        Click(dialog, kSave);
    }));
    EXPECT_EQ(second.GetOptions().m_playValue, 7);
    EXPECT_EQ(remembered, cardFolder);

    SettingsController third(remembered, environment);
    RunDialog(third, [&](CQZOptionDlg& dialog) {
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentText().toStdString(), CardItem());
        EXPECT_EQ(Control<QComboBox>(dialog, kSpeakerVolume)->currentText(), "Level 5");
    });

    // The card is gone: the dialog opens as the first time.
    tree.ClearMounts();
    tree.Mount("/dev/sda1", diskFolder, "ext4");
    SettingsController fourth(remembered, environment);
    RunDialog(fourth, [&](CQZOptionDlg& dialog) {
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentIndex(), -1);
        EXPECT_EQ(Control<QComboBox>(dialog, kSpeakerVolume)->currentIndex(), -1);
    });
}

// Default puts the settings back and keeps the target card and the camera's own identity strings, which
// describe the camera rather than a choice of the user.
TEST_F(SettingsDialog, DefaultKeepsTheCardAndTheCamerasIdentityAndModifyTakesTheChosenFolder)
{
    std::string identity = kDefaultSetupFile;
    identity.replace(identity.find("BLACKBOX"), 8, "DVR-77");
    identity.replace(identity.find("QZ_V0.3"), 7, "HW_2.1");
    identity.replace(identity.find("V0.2.8"), 6, "SW_5.0.12");
    std::string edited = identity;
    edited.replace(edited.find("Trigger Level       : 3"), 23, "Trigger Level       : 6");
    WriteFileBytes(CardFile("setup.cfg"), edited);

    boxes.chosenFolder = "/home/u/영상 (2)";
    SettingsController controller(remembered, environment);
    ASSERT_TRUE(RunDialog(controller, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        EXPECT_EQ(Control<QComboBox>(dialog, kAccTriggerLevel)->currentIndex(), 6);
        Control<QSlider>(dialog, kScanSlider)->setValue(9);
        Click(dialog, kDefault);
        EXPECT_EQ(dialog.m_pWorkingData->GetFolder(), cardFolder);
        EXPECT_EQ(Control<QComboBox>(dialog, kAccTriggerLevel)->currentIndex(), 3);
        EXPECT_EQ(Control<QLineEdit>(dialog, kScanValue)->text(), "5");
        EXPECT_EQ(Control<QLineEdit>(dialog, kSaveFolder)->text().toStdString(), DocumentsFolder().string());
        Click(dialog, kModify);
        Click(dialog, kSave);
    }));
    EXPECT_EQ(ReadFileBytes(CardFile("setup.cfg")), identity);
    EXPECT_EQ(controller.GetOptions().m_saveDirectory, "/home/u/영상 (2)");
    EXPECT_EQ(boxes.chooserTitles, std::vector<QString>{Text(StringId::kSelectFolder)});
}

// The list offers cards: removable volumes and folders holding the camera's files, never the system's own
// disk or a share that holds nothing of the camera's. Any other folder is a target only when picked by hand.
// A write-protected card is marked as the list opens and cannot be saved to.
TEST_F(SettingsDialog, OffersCardsAndCameraFoldersAndAnyOtherFolderOnlyWhenPicked)
{
    const std::string lockedItem = WriteProtectedItem(MountWriteProtectedCard());
    const std::string picked = (dir.path() / "picked").string();
    fs::create_directories(picked);
    boxes.chosenFolder = QString::fromStdString(picked);

    auto items = [](QWidget& dialog) {
        std::vector<std::string> texts;
        QComboBox* list = Control<QComboBox>(dialog, kDriveList);
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->itemText(i).toStdString());
        return texts;
    };

    SettingsController controller(remembered, environment);
    ASSERT_TRUE(RunDialog(controller, [&](CQZOptionDlg& dialog) {
        EXPECT_EQ(items(dialog), (std::vector<std::string>{CardItem(), lockedItem}));
        QAbstractButton* save = Control<QAbstractButton>(dialog, kSave);
        QWidget* note = Control<QWidget>(dialog, kReadOnlyNote);
        Choose(dialog, kDriveList, IndexOf(dialog, lockedItem));
        EXPECT_FALSE(save->isEnabled());
        EXPECT_TRUE(note->isVisibleTo(&dialog));
        ChooseCard(dialog);
        EXPECT_TRUE(save->isEnabled());
        EXPECT_FALSE(note->isVisibleTo(&dialog));

        Click(dialog, kOtherFolder);
        EXPECT_EQ(Control<QComboBox>(dialog, kDriveList)->currentText().toStdString(), "(" + picked + ")");
        EXPECT_EQ(dialog.m_pWorkingData->GetFolder(), picked);
        Click(dialog, kSave);
    }));
    EXPECT_EQ(ReadFileBytes(picked + "/setup.cfg"), kDefaultSetupFile);
    EXPECT_TRUE(FolderEntries(cardFolder).empty());

    // A disk of the system's that holds the camera's folders is a card too.
    fs::create_directories(diskFolder + "/CL_BLACKBOX");
    SettingsController again(remembered, environment);
    RunDialog(again, [&](CQZOptionDlg& dialog) {
        EXPECT_EQ(items(dialog), (std::vector<std::string>{"(" + diskFolder + ")", CardItem(), lockedItem}));
    });
}

// A card file that cannot be written is told with its path and reason; the dialog stays with the edits and
// the card's files are as they were.
TEST_F(SettingsDialog, AFailedWriteIsToldAndTheDialogStaysWithTheEdits)
{
    WriteFileBytes(CardFile("time.cfg"), "old time");
    fs::create_directory(CardFile("setup.cfg"));
    SettingsController folderInTheWay(remembered, environment);
    EXPECT_FALSE(RunDialog(folderInTheWay, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        Choose(dialog, kSpeakerVolume, 0);
        Click(dialog, kSave);
        EXPECT_EQ(Control<QComboBox>(dialog, kSpeakerVolume)->currentIndex(), 0);
    }));
    EXPECT_TRUE(stayedOpen);
    // Told twice: the file could not be read when the card was chosen (defaults shown), nor replaced on Save.
    ASSERT_EQ(reporter.messages.size(), 2u);
    for (const ReportedMessage& message : reporter.messages)
        EXPECT_EQ(message.text.rfind(CardFile("setup.cfg") + ": ", 0), 0u) << message.text;
    EXPECT_TRUE(fs::is_directory(CardFile("setup.cfg")));
    EXPECT_EQ(ReadFileBytes(CardFile("time.cfg")), "old time");
    EXPECT_TRUE(remembered.empty());

    // Even root cannot make files in this folder: it stands for a read-only card.
    const std::string readOnly = "/sys/kernel";
    tree.Mount("/dev/sdb1", readOnly);
    SettingsController locked(remembered, environment);
    EXPECT_FALSE(RunDialog(locked, [&](CQZOptionDlg& dialog) {
        Choose(dialog, kDriveList, IndexOf(dialog, "CARD(" + readOnly + ")"));
        Click(dialog, kApplyClock);
        Click(dialog, kSave);
    }));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(boxes.texts[0].startsWith(QString::fromStdString(readOnly + "/time.cfg could not be written: ")))
        << boxes.texts[0].toStdString();
}

TEST_F(SettingsDialog, ACardGoneBeforeSaveIsToldAndNothingIsWrittenInItsPlace)
{
    SettingsController controller(remembered, environment);
    EXPECT_FALSE(RunDialog(controller, [&](CQZOptionDlg& dialog) {
        ChooseCard(dialog);
        tree.ClearMounts();  // unmounted: the folder is now the system disk's
        Click(dialog, kSave);
        fs::remove(cardFolder);  // and removed by the desktop
        Click(dialog, kSave);
    }));
    EXPECT_EQ(boxes.texts, (std::vector<QString>{Text(StringId::kCardGone), Text(StringId::kCardGone)}));
    EXPECT_FALSE(fs::exists(cardFolder));
}
