#include "support/LogCapture.h"

#include "infra/DiagnosticLog.h"

#include <algorithm>
#include <fstream>

LogCapture::LogCapture(std::filesystem::path folder)
    : m_folder(std::move(folder)), m_wasEnabled(GetLog().enabled), m_wasLevel(GetLog().logLevel)
{
    GetLog().enabled = true;
    GetLog().logLevel = 9;
}

LogCapture::~LogCapture()
{
    GetLog().enabled = m_wasEnabled;
    GetLog().logLevel = m_wasLevel;
}

std::vector<std::string> LogCapture::Lines() const
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder / "LOG", error))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t stamp = line.find('\t');
            lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 1));
        }
    }
    return lines;
}

int LogCapture::Count(const std::string& className, const std::string& function, const std::string& message) const
{
    const std::string wanted = "[" + className + "]\t[" + function + "]\t" + message;
    const std::vector<std::string> lines = Lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), wanted));
}
