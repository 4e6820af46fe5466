#pragma once

// What the output suite's tests share: message boxes and a folder chooser that answer instead of showing,
// the skin, a recording long enough for the export dialog, and looks at child processes.

#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"
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

// Answers boxes and the folder chooser, noting what was asked.
class BoxRecorder final : public IMessageBoxes {
public:
    struct Box {
        QString caption, text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        bool onUiThread;
    };
    BoxRecorder() { SetMessageBoxes(this); }
    ~BoxRecorder() override { SetMessageBoxes(nullptr); }
    QMessageBox::StandardButton Show(QWidget* owner, const QString& caption, const QString& text,
                                     QMessageBox::StandardButtons buttons) override
    {
        return ShowWithIcon(owner, caption, text, buttons, QMessageBox::NoIcon);
    }
    QMessageBox::StandardButton ShowWithIcon(QWidget*, const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) override
    {
        boxes.push_back({caption, text, buttons, icon, QThread::currentThread() == qApp->thread()});
        return answer;
    }
    void OpenFolder(const QString& folder) override { openedFolders.push_back(folder); }
    QString ChooseFolder(QWidget*, const QString& title, const QString&) override
    {
        chooserTitles.push_back(title);
        return folderAnswer;
    }

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QString folderAnswer;
    std::vector<Box> boxes;
    std::vector<QString> openedFolders;
    std::vector<QString> chooserTitles;
};

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

// A 59-second recording, made once for the suite.
inline const std::string& FiftyNineSecondRecording()
{
    static TempDir* dir = new TempDir;  // kept to the end of the run
    static const std::string path = MakeRecording(dir->path(), {"--seconds", "59", "--seed", "3"}, "REC_0001.avi");
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
