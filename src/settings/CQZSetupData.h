#pragma once

#include "infra/Result.h"

#include <ctime>
#include <functional>
#include <string>

// The camera settings of one card, as the settings dialog holds them.
class CSetupDataEx {
public:
    virtual ~CSetupDataEx() = default;
    virtual bool Load() { return true; }
    [[nodiscard]] virtual bool Save() { return true; }
    virtual std::string BuildText() const { return {}; }
};

// The file's lines, each followed by "^"; CR LF and bare LF both end a line. Empty when the file does
// not exist; when it exists but cannot be read, the error is reported and the result is empty too.
std::string ReadTextFile(const std::string& path);

// Writes `text` ("\n" line ends, written as CR LF) to folder + "/" + fileName, creating the folder (one
// level) when it is missing. The new copy replaces the old one only once it is safely on the disk; on
// failure any old file is untouched. An existing file that could not be replaced is reported to the user;
// other failures are only logged.
// toldUser, when given, says whether that report was made (the caller then need not tell it again).
Result WriteTextFile(const std::string& fileName, const std::string& folder, const std::string& text,
                     bool* toldUser = nullptr);

// The folder of a drive item, label + "(" + mount point + ")": the text between the "(" that opens the
// mount point and the last ")". A mount point is absolute, so it opens at the last "(/" (a label or mount
// point such as "CARD(1)" may hold brackets of its own); without one, at the last "(". An item without
// "(" gives its first three characters.
std::string FolderFromDriveItem(const std::string& text);

// The camera's setup.cfg and time.cfg in one folder (the card's mount point).
class CQZSetupData : public CSetupDataEx {
public:
    CQZSetupData();

    // Reads setup.cfg; fields without a valid line keep their values. A missing file changes nothing.
    bool Load() override;
    // Writes setup.cfg. False only when an existing setup.cfg could not be replaced (already reported to
    // the user): the caller then abandons the rest of its command. Other write failures are silent.
    [[nodiscard]] bool Save() override;
    std::string BuildText() const override;

    // Everything to the camera's defaults: the file names, the camera's identity and the settings.
    void ResetToDefaults();
    // The settings and the clock to their defaults. The product name and the hardware and software
    // versions stay: they were read from the card and describe the camera, not a choice of the user.
    void ResetSettings();
    // Folder = FolderFromDriveItem(text).
    void SetFolderFromItem(const std::string& text);
    void SetFolder(const std::string& folder) { m_folder = folder; }
    const std::string& GetFolder() const { return m_folder; }

    // time.cfg: the date (YY/MM/DD) and the time (HH:MM:SS), each on its own line.
    std::string BuildTimeText();
    // An empty date or time is taken from the clock on first use and then kept.
    const std::string& GetDateText();
    const std::string& GetTimeText();
    void SetDateText(const std::string& text) { m_dateText = text; }
    void SetTimeText(const std::string& text) { m_timeText = text; }

    const std::string& GetTimeFileName() const { return m_timeFileName; }
    const std::string& GetSetupFileName() const { return m_setupFileName; }
    const std::string& GetProductName() const { return m_productName; }
    const std::string& GetHwVersion() const { return m_hwVersion; }
    const std::string& GetSwVersion() const { return m_swVersion; }

    int GetAccTriggerLevel() const { return m_accTriggerLevel; }
    int GetRecVideoQuality() const { return m_recVideoQuality; }
    int GetRecAudioEnable() const { return m_recAudioEnable; }
    int GetSpeakerVolume() const { return m_speakerVolume; }
    int GetVideoChannels() const { return m_videoChannels; }
    int GetParkingModeSelect() const { return m_parkingModeSelect; }
    int GetParkingModeTime() const { return m_parkingModeTime; }
    int GetLanguage() const { return m_language; }
    void SetAccTriggerLevel(int value) { m_accTriggerLevel = value; }
    void SetRecVideoQuality(int value) { m_recVideoQuality = value; }
    void SetRecAudioEnable(int value) { m_recAudioEnable = value; }
    void SetSpeakerVolume(int value) { m_speakerVolume = value; }
    void SetVideoChannels(int value) { m_videoChannels = value; }
    void SetParkingModeSelect(int value) { m_parkingModeSelect = value; }
    void SetParkingModeTime(int value) { m_parkingModeTime = value; }
    void SetLanguage(int value) { m_language = value; }

    // Source of the current time for the clock file; tests fix it.
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

private:
    std::tm LocalNow() const;

    std::string m_folder;
    std::string m_timeFileName;
    std::string m_setupFileName;
    std::string m_productName;
    std::string m_hwVersion;
    std::string m_swVersion;
    std::string m_dateText;
    std::string m_timeText;
    int m_accTriggerLevel = 0;
    int m_recVideoQuality = 0;
    int m_recAudioEnable = 0;
    int m_speakerVolume = 0;
    int m_videoChannels = 0;
    int m_parkingModeSelect = 0;
    int m_parkingModeTime = 0;
    int m_language = 0;

    friend struct SetupKeys;
};
