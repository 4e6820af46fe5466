#pragma once

#include "settings/CardFormat.h"
#include "settings/DriveList.h"
#include "ui/settings/CSetupDlg.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

// Control ids of the settings dialog; each control's object name is its id, so tests find it.
namespace SettingsIds {
constexpr int kDriveList = 1015;
constexpr int kFormat = 1018;
constexpr int kOtherFolder = 1070;
constexpr int kReadOnlyNote = 1071;
constexpr int kAccTriggerLevel = 1058;
constexpr int kLanguage = 1030;
constexpr int kParkingModeSelect = 32796;
constexpr int kParkingModeTime = 1048;
constexpr int kRecVideoQuality = 1063;
constexpr int kVideoChannels = 1047;
constexpr int kRecAudioEnable = 1057;
constexpr int kSpeakerVolume = 1056;
constexpr int kApplyClock = 1069;
constexpr int kYear = 1039;
constexpr int kMonth = 1040;
constexpr int kDay = 1041;
constexpr int kHour = 1044;
constexpr int kMinute = 1043;
constexpr int kSecond = 1042;
constexpr int kSaveFolder = 1049;
constexpr int kModify = 1060;
constexpr int kScanSlider = 1061;
constexpr int kScanValue = 1062;
constexpr int kDefault = 1053;
constexpr int kSave = 1054;
constexpr int kCancel = 1055;
}  // namespace SettingsIds

// What the dialog works with besides the settings: where drives are looked up, the formatter, the clock.
struct SettingsEnvironment {
    std::string root = "/";                         // a fake tree in tests
    std::shared_ptr<ICardFormatter> formatter;      // null when no way of formatting is usable
    std::function<std::time_t()> clock;             // handed to every settings object the dialog makes
};

// The settings dialog: the camera's setup.cfg and time.cfg on a chosen card, the save folder and the
// jump interval of the viewer, and formatting the card.
class CQZOptionDlg final : public CSetupDlg {
    Q_OBJECT
public:
    // `rememberedDrive`: the main window's drive of the last Save in this run; Save updates it.
    CQZOptionDlg(std::string& rememberedDrive, SettingsEnvironment environment, QWidget* parent = nullptr);
    ~CQZOptionDlg() override;

    // Fills the controls from m_pSetupData and m_options; called before the dialog is shown.
    void Initialise();
    // The settings object made for the chosen drive, when Save handed it back (the caller takes it).
    std::unique_ptr<CQZSetupData> TakeReplacement() { return std::move(m_replacement); }

    // Closes without saving; ignored while the card is being formatted.
    void reject() override;

    CQZSetupData* m_pWorkingData = nullptr;
    std::string m_startDrive;

private:
    void BuildControls();
    void FillDriveList();
    void FillValueLists();
    void RefreshControls();
    void LoadDrive(int index);
    void FillDateTime();
    void UpdateFormatButton();
    void UpdateReadOnlyState();
    int AddPickedFolder(const std::string& folder);
    void StoreValue(int id, int index);

    void OnBnClickedApply(bool checked);
    void OnBnClickedModify();
    void OnBnClickedFormat();
    void OnBnClickedOtherFolder();
    void OnBnClickedDefault();
    void OnBnClickedSave();
    void OnFormatFinished(const DriveInfo& drive, const FormatOutcome& outcome);

    const DriveInfo* SelectedDrive() const;
    bool SelectedDriveStillThere() const;
    bool ReadClock(std::string& date, std::string& time);
    bool WriteCardFile(const std::string& fileName, const std::string& text);
    void Tell(const QString& text);
    std::unique_ptr<CQZSetupData> NewSetupData() const;

    std::string& m_rememberedDrive;
    SettingsEnvironment m_environment;
    std::vector<DriveInfo> m_drives;  // in the drive list's order
    std::vector<DriveInfo> m_pickedFolders;  // chosen by hand in this run of the dialog; listed after the drives
    std::unique_ptr<CQZSetupData> m_replacement;
    std::thread m_formatThread;
    bool m_formatting = false;

    QComboBox* m_driveList = nullptr;
    QPushButton* m_format = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_readOnlyNote = nullptr;
    std::vector<std::pair<int, QComboBox*>> m_valueLists;
    QCheckBox* m_parkingModeSelect = nullptr;
    QCheckBox* m_recAudioEnable = nullptr;
    QCheckBox* m_apply = nullptr;
    QComboBox* m_dateTime[6] = {};  // year, month, day, hour, minute, second
    QLineEdit* m_saveFolder = nullptr;
    QSlider* m_scanSlider = nullptr;
    QLineEdit* m_scanValue = nullptr;
    QLabel* m_busyText = nullptr;
    QProgressBar* m_busy = nullptr;
};
