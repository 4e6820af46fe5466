#pragma once

#include "infra/Result.h"

#include <string>

// The viewer's own preferences. The main window keeps the live copy and exports it to option.ini in
// the start-up folder; the file is never read back, so every start begins from these defaults.
struct ViewerOptions {
    std::string m_iniFileName = "option.ini";  // carried only: the export always goes to OptionsFilePath()
    std::string m_eventDirectory = "MP4_EVENT";
    std::string m_continuousDirectory = "MP4_INFINITE";
    std::string m_rootDirectory = "CL_BLACKBOX";
    std::string m_captureFolder = "CAM_CAPTURE";
    std::string m_saveDirectory = CurrentFolder();  // replaced at start-up by the documents folder
    bool m_useLog = false;
    int m_playValue = 5;  // rewind/forward jump, 1..10
    int m_logLevel = 3;
    int m_logType = 3;

    // Exports to OptionsFilePath(). A failure is only logged: the program goes on with its options.
    void WriteIniFile() const;
    // Exports to the given file; on failure the old file stays whole.
    Result WriteIniFile(const std::string& path) const;

    static std::string CurrentFolder();
};

// The start-up folder + "/option.ini", fixed when the program is loaded: later changes of the working
// folder (a file dialog) do not move it.
const std::string& OptionsFilePath();
