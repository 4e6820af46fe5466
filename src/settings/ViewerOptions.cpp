#include "settings/ViewerOptions.h"

#include "infra/DiagnosticLog.h"
#include "settings/ProfileFile.h"

#include <filesystem>

namespace {

// Fixed while the program loads, before main() and any window can change the working folder.
[[maybe_unused]] const std::string& g_optionsFileAtStart = OptionsFilePath();

}  // namespace

std::string ViewerOptions::CurrentFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

const std::string& OptionsFilePath()
{
    static const std::string path = ViewerOptions::CurrentFolder() + "/option.ini";
    return path;
}

void ViewerOptions::WriteIniFile() const
{
    WriteLog("Write " + OptionsFilePath(), "ViewerOptions", "WriteIniFile", kLogType, kLogLevelNormal);
    if (Result written = WriteIniFile(OptionsFilePath()); !written)
        WriteLog("option.ini not written: " + written.Describe(), "ViewerOptions", "WriteIniFile", kLogType,
                 kLogLevelNormal);
}

Result ViewerOptions::WriteIniFile(const std::string& path) const
{
    return WriteProfileEntries(path, {
                                         {"DIRECTORY", "ROOT_DIRECTORY", m_rootDirectory},
                                         {"DIRECTORY", "EVENT_DIRECTORY", m_eventDirectory},
                                         {"DIRECTORY", "CONTINUOS_DIRECTORY", m_continuousDirectory},
                                         {"OPTION", "SAVE_DIRECTORY", m_saveDirectory},
                                         {"OPTION", "PLAY_VALUE", std::to_string(m_playValue)},
                                         {"OPTION", "USE_LOG", m_useLog ? "TRUE" : "FALSE"},
                                         {"OPTION", "LOG_LEVEL", std::to_string(m_logLevel)},
                                         {"OPTION", "LOG_TYPE", std::to_string(m_logType)},
                                     });
}
