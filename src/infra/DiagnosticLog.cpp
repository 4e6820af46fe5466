#include "infra/DiagnosticLog.h"

#include "infra/Reporter.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

std::string ExecutableName()
{
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        return "tessaro";
    return exe.stem().string();
}

std::string Strftime(const std::tm& localTime, const char* format)
{
    char buffer[64];
    size_t length = std::strftime(buffer, sizeof buffer, format, &localTime);
    return std::string(buffer, length);
}

}  // namespace

std::string DiagnosticLog::FormatLine(const std::tm& localTime, const std::string& message,
                                      const std::string& className, const std::string& function)
{
    std::string line = Strftime(localTime, "%Y-%m-%d %H:%M:%S") + "\t";
    if (!className.empty() && !function.empty())
        line += "[" + className + "]\t[" + function + "]\t";
    else if (!function.empty())
        line += "[" + function + "]\t";
    return line + message;
}

std::string DiagnosticLog::FilePath(const std::tm& localTime) const
{
    const std::string name = programName.empty() ? ExecutableName() : programName;
    return "LOG/" + name + " " + Strftime(localTime, "%Y%m%d") + ".log";
}

void DiagnosticLog::WriteLog(const std::string& message, const std::string& className,
                             const std::string& function, int type, int level)
{
    if (!enabled || logLevel < level || logType != type)
        return;

    const std::time_t now = clock();
    std::tm localTime{};
    localtime_r(&now, &localTime);
    const std::string line = FormatLine(localTime, message, className, function) + "\r\n";

    bool written = false;
    {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        std::error_code ignored;
        std::filesystem::create_directory("LOG", ignored);
        if (std::FILE* file = std::fopen(FilePath(localTime).c_str(), "ab")) {
            written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
            written = (std::fclose(file) == 0) && written;
        }
    }
    if (!written)
        ReportText("Cannot Open Log!!");
}

DiagnosticLog& GetLog()
{
    static DiagnosticLog log;
    return log;
}

void WriteLog(const std::string& message, const std::string& className, const std::string& function, int type,
              int level)
{
    GetLog().WriteLog(message, className, function, type, level);
}
