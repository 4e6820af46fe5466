#pragma once

// What the output suite's tests share: the recorder that answers message boxes and the folder chooser,
// the skin, a recording long enough for the export dialog, and looks at child processes.

#include "widgets/ResourceManager.h"
#include "support/qt/BoxRecorder.h"
#include "support/qt/ScreenPixels.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// The skin for a whole suite (SetUpTestSuite / TearDownTestSuite).
inline void LoadSkin()
{
    ScopedCurrentPath skinFolder(std::filesystem::path(TESSARO_SKIN_ARCHIVE).parent_path());
    ResourceManager::GetInstance();
}

inline void UnloadSkin()
{
    ResourceManager::DestroyInstance();
}

// A 59-second recording, made once for the build (every case runs in a process of its own, and making it
// takes seconds) and again when the generator is newer.
inline const std::string& FiftyNineSecondRecording()
{
    static const std::string path = [] {
        namespace fs = std::filesystem;
        const fs::path cache = fs::path(TESSARO_BUILD_DIR) / "test-cache" / "output";
        const fs::path file = cache / "REC_0001.avi";
        std::error_code error;
        if (fs::exists(file) && fs::last_write_time(file) > fs::last_write_time(TESSARO_SAMPLECARD, error))
            return file.string();
        fs::create_directories(cache);
        TempDir scratch;
        const std::string made = MakeRecording(scratch.path(), {"--seconds", "59", "--seed", "3"}, "REC_0001.avi");
        fs::copy_file(made, cache / "REC_0001.avi.part", fs::copy_options::overwrite_existing);
        fs::rename(cache / "REC_0001.avi.part", file);
        return file.string();
    }();
    return path;
}

// The arguments a process was started with; empty once it has gone.
inline std::vector<std::string> ArgumentsOf(qint64 pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string cmdline{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::string> arguments;
    for (std::size_t begin = 0; begin < cmdline.size();) {
        const std::size_t end = cmdline.find('\0', begin);
        arguments.push_back(cmdline.substr(begin, end - begin));
        begin = end + 1;
    }
    return arguments;
}

// The value after option in a process's arguments.
inline std::string OptionOf(qint64 pid, const std::string& option)
{
    const auto arguments = ArgumentsOf(pid);
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == option)
            return arguments[i + 1];
    return "";
}

// Gone and reaped: not even a zombie is left.
inline bool ProcessIsGone(qint64 pid)
{
    return pid > 0 && !std::filesystem::exists("/proc/" + std::to_string(pid));
}

// Not running any more: gone, or a zombie nobody has reaped yet.
inline bool ProcessIsDead(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}
