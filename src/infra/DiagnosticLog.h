#pragma once

#include <ctime>
#include <functional>
#include <mutex>
#include <string>

// The process-wide diagnostic log: one line per call, appended to LOG/<program> <YYYYMMDD>.log under
// the current folder, only when switched on and only up to the configured level.
class DiagnosticLog {
public:
    bool enabled = false;
    int logType = 3;
    int logLevel = 3;

    void WriteLog(const std::string& message, const std::string& className, const std::string& function,
                  int type, int level);

    // The name the daily file carries: the executable's name without its extension.
    std::string programName;
    // Source of the current time; tests replace it to cross midnight.
    std::function<std::time_t()> clock = [] { return std::time(nullptr); };

    // The line as written, without its CR LF.
    static std::string FormatLine(const std::tm& localTime, const std::string& message,
                                  const std::string& className, const std::string& function);
    // The file a line written at the given local time goes to, relative to the current folder.
    std::string FilePath(const std::tm& localTime) const;

private:
    std::mutex m_writeMutex;  // serialises the open-append-close of concurrent lines
};

DiagnosticLog& GetLog();

// Shorthand for the call sites: WriteLog(text, class, function, type, level).
void WriteLog(const std::string& message, const std::string& className, const std::string& function, int type,
              int level);

// The type every line of the program uses, and the two levels in use.
constexpr int kLogType = 3;
constexpr int kLogLevelNormal = 3;
constexpr int kLogLevelFrequent = 5;
