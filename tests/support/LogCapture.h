#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Switches the process-wide diagnostic log on (every level) for its lifetime and reads back what was
// written under a folder, which must be the current folder while the lines are written.
class LogCapture {
public:
    explicit LogCapture(std::filesystem::path folder);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line written so far, without its time stamp: "[Class]\t[Function]\tmessage".
    std::vector<std::string> Lines() const;
    // How many lines equal "[className]\t[function]\tmessage".
    int Count(const std::string& className, const std::string& function, const std::string& message) const;

private:
    std::filesystem::path m_folder;
    bool m_wasEnabled;
    int m_wasLevel;
};
