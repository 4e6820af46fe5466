#pragma once

// The real tessaro-viewer under the test display, driven from outside as a user drives it: started with a
// folder of its own (its option.ini and LOG/, a HOME and a documents folder), followed through its log,
// worked with xdotool keys and clicks at coordinates of its own windows, and photographed step by step.
// Nothing reaches into the program beyond its command line, its environment and its log.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Generous: the machine running the tests is shared and loaded.
constexpr int kProgramWaitMs = 60000;

// Runs xdotool with the arguments: whether it succeeded, and its standard output.
struct XdotoolRun {
    bool ok = false;
    std::string out;
};
XdotoolRun Xdotool(const std::vector<std::string>& arguments);

class RealProgram {
public:
    struct Setup {
        std::filesystem::path folder;  // working folder: option.ini and LOG/ go here; home/ and documents/ in it
        QStringList arguments;         // after the program's name
        // Started through this command line first (the program and its arguments follow it), e.g. a
        // private mount namespace.
        QStringList wrapper;
        std::map<QString, QString> environment;  // added to, or replacing, the test's own
        QString program;                         // the build's tessaro-viewer when empty (an installed copy)
    };

    explicit RealProgram(Setup setup);
    // The log on at level 5, the paths opened as if dropped.
    RealProgram(const std::filesystem::path& folder, const QStringList& paths, const QStringList& extraArguments = {});
    ~RealProgram();  // kills the program when it still runs
    RealProgram(const RealProgram&) = delete;
    RealProgram& operator=(const RealProgram&) = delete;

    const std::filesystem::path& Folder() const { return m_setup.folder; }
    std::filesystem::path Home() const { return m_setup.folder / "home"; }
    std::filesystem::path Documents() const { return m_setup.folder / "documents"; }
    QProcess& Process() { return m_process; }
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_process.processId(); }
    // What the program wrote to its standard error so far.
    std::string ErrorOutput();

    // The program's log (every file of its LOG folder), whole.
    std::string Log() const;
    // Waits until text appears in the log after position `from` (a size of Log() taken before); the
    // position of the text, or npos when it did not come.
    std::size_t WaitForLog(const std::string& text, std::size_t from = 0, int timeoutMs = kProgramWaitMs) const;
    // Occurrences of text in the log.
    int CountInLog(const std::string& text) const;
    // Waits until the log holds text at least `count` times.
    bool WaitForLogCount(const std::string& text, int count, int timeoutMs = kProgramWaitMs) const;

    // Waits for the program to end; true when it has.
    bool WaitForEnd(int timeoutMs = kProgramWaitMs);
    void KillHard();  // SIGKILL, as a power cut or the OOM killer ends it

    // The main window (found by its title and this program's pid); empty when it is not there in time.
    std::string MainWindow(int timeoutMs = kProgramWaitMs);
    // A visible window of this program whose title matches the pattern (a regular expression) and that
    // is not the main window; empty when none came in time.
    std::string WaitForWindow(const std::string& titlePattern, int timeoutMs = kProgramWaitMs);
    // Every visible top-level window of this program with a title, besides the main window.
    std::vector<std::string> OtherWindows();
    bool WaitForWindowGone(const std::string& window, int timeoutMs = kProgramWaitMs);
    // A window's place on the screen; an empty rectangle when it is gone.
    static QRect Geometry(const std::string& window);
    static std::string Title(const std::string& window);

    // Gives the main window the keyboard.
    void Focus();
    static void FocusWindow(const std::string& window);
    // Keys (xdotool's names: "space", "ctrl+s", "Return") to whatever window has the keyboard.
    static void Key(const std::string& keys);
    static void Type(const std::string& text);
    // Clicks at a point of the main window (its own coordinates), or of another window.
    void Click(QPoint point, int button = 1);
    void DoubleClick(QPoint point);
    static void ClickIn(const std::string& window, QPoint point, int button = 1);
    // Presses at from, moves to to, lets go (a slider's thumb).
    void Drag(QPoint from, QPoint to);
    // Puts the mouse where it hides nothing (the title band's right end, away from the buttons).
    void ParkMouse();

private:
    void Start();

    Setup m_setup;
    QProcess m_process;
    std::string m_mainWindow;
};

// The screen's pixels in area, read through ImageMagick as a user's screenshot would be.
QImage ScreenArea(const QRect& area);
bool SaveScreenArea(const QRect& area, const std::filesystem::path& file);

// A picture rather than a flat or black area: many colours on a grid of samples.
bool LooksLikeAPicture(const QImage& image, int minimumColours = 24);
// The share of sampled pixels that differ between two pictures of one size (0 to 1).
double ChangedShare(const QImage& a, const QImage& b);

// The screenshots of one journey: build/journeys/<journey>/NN-<step>.png, numbered in order; the folder is
// emptied when the journey starts, so that a picture on the sheet is always from the last run.
class JourneyShots {
public:
    explicit JourneyShots(std::string journey);
    // Saves the main window's area of the screen (or the given area) as the next step; the picture.
    QImage Take(const std::string& step, QRect area = {});
    // The area a step takes when given none: the main window's place (at the screen's corner).
    void SetDefaultArea(QRect area) { m_defaultArea = area; }
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    QRect m_defaultArea{0, 0, 1065, 758};
    int m_next = 1;
};

// The folder where the journeys leave their screenshots.
std::filesystem::path JourneysFolder();

// A file's bytes and modification time, to show that something left it alone.
struct FileStamp {
    std::string bytes;
    std::filesystem::file_time_type modified;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::filesystem::path& file);
// Every regular file under folder (relative path -> stamp).
std::map<std::string, FileStamp> StampTree(const std::filesystem::path& folder);
