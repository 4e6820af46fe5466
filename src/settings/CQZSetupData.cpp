#include "settings/CQZSetupData.h"

#include "infra/DiagnosticLog.h"
#include "infra/Reporter.h"
#include "infra/FileIo.h"
#include "infra/SafeFile.h"
#include "infra/StringTable.h"
#include "settings/ViewerOptions.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

namespace {

const char* const kClass = "CQZSetupData";

// Every key is 24 characters (the name padded with spaces), then ": ", so a value starts at index 26.
constexpr size_t kKeyLength = 24;
constexpr size_t kValueStart = 26;

// The platform's own wording for a file error, with the file it concerns.
void ReportFileError(const std::string& path, int error)
{
    ReportText(path + ": " + SystemErrorText(error));
}

std::string Join(const std::string& folder, const std::string& fileName)
{
    return folder + "/" + fileName;
}

// Decimal digits only; a value beyond int saturates, so that it fails every range check.
bool ParseDigits(const std::string& value, int& number)
{
    if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    long long n = 0;
    for (char c : value)
        n = std::min<long long>(n * 10 + (c - '0'), INT_MAX);
    number = static_cast<int>(n);
    return true;
}

std::string TwoDigits(const char* format, int a, int b, int c)
{
    char text[48];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string FormatDate(const std::tm& local)
{
    return TwoDigits("%.2d/%.2d/%.2d", local.tm_year + 1900 - 2000, local.tm_mon + 1, local.tm_mday);
}

std::string FormatTime(const std::tm& local)
{
    return TwoDigits("%.2d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace

// The setup file's vocabulary, shared by the reader and the writer, in the file's line order.
struct SetupKeys {
    struct StringKey {
        std::string_view key;
        std::string CQZSetupData::*field;
    };
    struct IntegerKey {
        std::string_view key;
        int CQZSetupData::*field;
        int min, max, fallback;
    };
    static constexpr StringKey strings[] = {
        {"Product Name            ", &CQZSetupData::m_productName},
        {"H/W Version             ", &CQZSetupData::m_hwVersion},
        {"S/W Version             ", &CQZSetupData::m_swVersion},
    };
    // The misspellings are the camera's own keys.
    static constexpr IntegerKey integers[] = {
        {"Acc Trigger Level       ", &CQZSetupData::m_accTriggerLevel, 0, 6, 3},
        {"REC Video Qulity        ", &CQZSetupData::m_recVideoQuality, 1, 3, 3},
        {"REC Audio Enable        ", &CQZSetupData::m_recAudioEnable, 0, 1, 1},
        {"SPK Vol                 ", &CQZSetupData::m_speakerVolume, 1, 5, 3},
        {"Video Channles          ", &CQZSetupData::m_videoChannels, 1, 2, 2},
        {"Parking Mode Select     ", &CQZSetupData::m_parkingModeSelect, 0, 1, 1},
        {"Parking Mode Time       ", &CQZSetupData::m_parkingModeTime, 0, 2, 1},
        {"Language                ", &CQZSetupData::m_language, 0, 1, 1},
    };

    static constexpr bool AllPadded()
    {
        for (const auto& k : strings)
            if (k.key.size() != kKeyLength)
                return false;
        for (const auto& k : integers)
            if (k.key.size() != kKeyLength)
                return false;
        return true;
    }
};
static_assert(SetupKeys::AllPadded(), "setup keys are exactly 24 characters");

std::string ReadTextFile(const std::string& path)
{
    std::string bytes;
    int error = 0;
    switch (ReadWholeFile(path, bytes, error)) {
    case ReadStatus::Missing:
        return {};
    case ReadStatus::Failed:
        ReportFileError(path, error);
        return {};
    case ReadStatus::Read:
        break;
    }
    std::string joined;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const bool terminated = end != std::string::npos;
        if (!terminated)
            end = bytes.size();
        size_t length = end - start;
        if (terminated && length > 0 && bytes[end - 1] == '\r')
            --length;
        joined.append(bytes, start, length);
        joined += '^';
        start = end + 1;
    }
    return joined;
}

namespace {

struct TextWrite {
    Result result = Result::Success();
    bool notReplaced = false;  // an existing file could not be replaced: reported, the old file untouched
};

TextWrite WriteText(const std::string& fileName, const std::string& folder, const std::string& text)
{
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ignored))
        std::filesystem::create_directory(folder, ignored);

    const std::string path = Join(folder, fileName);
    const bool existed = std::filesystem::exists(path, ignored);
    const std::string bytes = ToCrLf(text);
    // Written and flushed first, so that a failed write (silent) is told from a failed replacement.
    StagedFile staged(path, StagedFile::Permissions::KeepTarget);
    Result written = staged.Opened();
    if (written && !staged.Handle().WriteAt(0, bytes.data(), bytes.size()))
        written = Result::Failure("cannot write " + path, errno);
    if (written)
        written = staged.Complete(static_cast<int64_t>(bytes.size()));
    if (!written) {
        WriteLog(written.Describe(), "", "WriteTextFile", kLogType, kLogLevelNormal);
        return {written};
    }
    Result replaced = staged.Commit(static_cast<int64_t>(bytes.size()), StagedFile::Existing::Replace);
    if (replaced)
        return {};
    if (!existed) {
        WriteLog(replaced.Describe(), "", "WriteTextFile", kLogType, kLogLevelNormal);
        return {replaced};
    }
    ReportFileError(path, replaced.Error());
    return {replaced, true};
}

}  // namespace

Result WriteTextFile(const std::string& fileName, const std::string& folder, const std::string& text,
                     bool* toldUser)
{
    TextWrite written = WriteText(fileName, folder, text);
    if (toldUser)
        *toldUser = written.notReplaced;
    return std::move(written.result);
}

CQZSetupData::CQZSetupData()
{
    ResetToDefaults();
}

void CQZSetupData::ResetToDefaults()
{
    m_folder = ViewerOptions::CurrentFolder();
    m_timeFileName = "time.cfg";
    m_setupFileName = "setup.cfg";
    m_productName = "BLACKBOX";
    m_hwVersion = "QZ_V0.3";
    m_swVersion = "V0.2.8";
    ResetSettings();
}

void CQZSetupData::ResetSettings()
{
    m_dateText.clear();
    m_timeText.clear();
    m_accTriggerLevel = 3;
    m_recVideoQuality = 3;
    m_recAudioEnable = 1;
    m_speakerVolume = 3;
    m_videoChannels = 2;
    m_parkingModeSelect = 1;
    m_parkingModeTime = 1;
    m_language = 1;
}

bool CQZSetupData::Load()
{
    const std::string path = Join(m_folder, m_setupFileName);
    WriteLog("Load " + path, kClass, "Load", kLogType, kLogLevelNormal);
    // A save killed half-way left its hidden staging file beside the setup files.
    RemoveStaleStagingFiles(m_folder.empty() ? "." : m_folder);
    const std::string text = ReadTextFile(path);

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('^', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string piece = text.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;

        const std::string key = piece.substr(0, kKeyLength);
        const std::string value = piece.size() > kValueStart ? piece.substr(kValueStart) : std::string();
        int number = 0;
        if (ParseDigits(value, number))
            for (const auto& k : SetupKeys::integers)
                if (key == k.key)
                    this->*k.field = number >= k.min && number <= k.max ? number : k.fallback;
        for (const auto& k : SetupKeys::strings)
            if (key == k.key)
                this->*k.field = value;
    }
    return true;
}

std::string CQZSetupData::BuildText() const
{
    std::string text;
    for (const auto& k : SetupKeys::strings)
        text += std::string(k.key) + ": " + this->*k.field + "\n";
    for (const auto& k : SetupKeys::integers)
        text += std::string(k.key) + ": " + std::to_string(this->*k.field) + "\n";
    return text;
}

bool CQZSetupData::Save()
{
    WriteLog("Save " + Join(m_folder, m_setupFileName), kClass, "Save", kLogType, kLogLevelNormal);
    return !WriteText(m_setupFileName, m_folder, BuildText()).notReplaced;
}

std::string FolderFromDriveItem(const std::string& text)
{
    size_t open = text.rfind("(/");
    if (open == std::string::npos)
        open = text.rfind('(');
    if (open == std::string::npos)
        return text.substr(0, 3);
    const size_t close = text.rfind(')');
    const size_t end = close != std::string::npos && close > open ? close : text.size();
    return text.substr(open + 1, end - open - 1);
}

void CQZSetupData::SetFolderFromItem(const std::string& text)
{
    m_folder = FolderFromDriveItem(text);
}

std::tm CQZSetupData::LocalNow() const
{
    const std::time_t now = clock();
    std::tm fields{};
    localtime_r(&now, &fields);
    return fields;
}

const std::string& CQZSetupData::GetDateText()
{
    if (m_dateText.empty())
        m_dateText = FormatDate(LocalNow());
    return m_dateText;
}

const std::string& CQZSetupData::GetTimeText()
{
    if (m_timeText.empty())
        m_timeText = FormatTime(LocalNow());
    return m_timeText;
}

std::string CQZSetupData::BuildTimeText()
{
    // One reading of the clock for both lines, so that a file made at midnight cannot pair one day's
    // date with the next day's time.
    const std::tm now = LocalNow();
    if (m_dateText.empty())
        m_dateText = FormatDate(now);
    if (m_timeText.empty())
        m_timeText = FormatTime(now);
    return m_dateText + "\n" + m_timeText + "\n";
}
