#include "support/qt/RealProgram.h"

#include "devsupport/ChildProcess.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::string Number(int value)
{
    return std::to_string(value);
}

// Whether the X window `focused` is `window` or one of its native children (the video surfaces, and every
// pane beside them). Both are xdotool's decimal ids; xwininfo lists the tree in hexadecimal.
bool IsWindowOrInside(const std::string& focused, const std::string& window)
{
    if (focused == window)
        return true;
    char* end = nullptr;
    const unsigned long id = std::strtoul(focused.c_str(), &end, 10);
    if (focused.empty() || *end != '\0')
        return false;
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx ", id);
    const ProcessResult tree = RunProcess({"xwininfo", "-tree", "-id", window});
    return tree.started && tree.exitCode == 0 && tree.out.find(hex) != std::string::npos;
}

// Lets the test's own events run for a moment (xdotool's events reach the program asynchronously).
void Settle(int ms)
{
    QTest::qWait(ms);
}

}  // namespace

XdotoolRun Xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProcessResult run = RunProcess(argv);
    return {run.started && run.exitCode == 0, run.out};
}

RealProgram::RealProgram(Setup setup) : m_setup(std::move(setup))
{
    Start();
}

RealProgram::RealProgram(const fs::path& folder, const QStringList& paths, const QStringList& extraArguments)
{
    m_setup.folder = folder;
    m_setup.arguments = QStringList{"--log", "--log-level", "5"} + extraArguments + paths;
    Start();
}

void RealProgram::Start()
{
    fs::create_directories(Home());
    fs::create_directories(Documents());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(Home().string()));
    environment.insert("XDG_DOCUMENTS_DIR", QString::fromStdString(Documents().string()));
    // Software output straight to X (the default, GL under Xvfb, costs several times the CPU).
    environment.insert("TESSARO_VLC_OPTIONS", "--gl=none --gles2=none");
    // The map stays offline: nothing leaves the machine.
    environment.insert("TESSARO_CONNECTIVITY_URL", "http://127.0.0.1:9/");
    environment.insert("TESSARO_MAP_TILES", "http://127.0.0.1:9/{z}/{x}/{y}.png");
    for (const auto& [name, value] : m_setup.environment)
        environment.insert(name, value);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(QString::fromStdString(m_setup.folder.string()));
    // To files, not pipes: nobody may stop reading while the test waits in a child of its own (ffmpeg).
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QString::fromStdString((m_setup.folder / "stderr.txt").string()));
    QStringList arguments = m_setup.arguments;
    QString program = m_setup.program.isEmpty() ? QStringLiteral(TESSARO_VIEWER) : m_setup.program;
    if (!m_setup.wrapper.isEmpty()) {
        arguments = m_setup.wrapper.mid(1) + QStringList{program} + arguments;
        program = m_setup.wrapper.front();
    }
    m_process.start(program, arguments);
    EXPECT_TRUE(m_process.waitForStarted(kProgramWaitMs)) << program.toStdString();
}

RealProgram::~RealProgram()
{
    if (IsRunning()) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

std::string RealProgram::ErrorOutput()
{
    return ReadWhole(m_setup.folder / "stderr.txt");
}

std::string RealProgram::Log() const
{
    std::string text;
    std::error_code error;
    const fs::path folder = m_setup.folder / "LOG";
    if (!fs::is_directory(folder, error))
        return text;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder, error))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
        text += ReadWhole(file);
    return text;
}

std::size_t RealProgram::WaitForLog(const std::string& text, std::size_t from, int timeoutMs) const
{
    std::size_t at = std::string::npos;
    (void)QTest::qWaitFor(
        [&] {
            const std::string log = Log();
            at = from <= log.size() ? log.find(text, from) : std::string::npos;
            return at != std::string::npos;
        },
        timeoutMs);
    return at;
}

int RealProgram::CountInLog(const std::string& text) const
{
    const std::string log = Log();
    int count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++count;
    return count;
}

bool RealProgram::WaitForLogCount(const std::string& text, int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return CountInLog(text) >= count; }, timeoutMs);
}

bool RealProgram::WaitForEnd(int timeoutMs)
{
    return QTest::qWaitFor([&] { return !IsRunning(); }, timeoutMs);
}

void RealProgram::KillHard()
{
    m_process.kill();
    (void)WaitForEnd();
}

std::string RealProgram::MainWindow(int timeoutMs)
{
    if (!m_mainWindow.empty() && !Geometry(m_mainWindow).isEmpty())
        return m_mainWindow;
    (void)QTest::qWaitFor(
        [&] {
            const XdotoolRun found =
                Xdotool({"search", "--maxdepth", "1", "--onlyvisible", "--pid", std::to_string(Pid()), "--name", "^TessaroViewer$"});
            const std::vector<std::string> ids = Lines(found.out);
            m_mainWindow = ids.empty() ? std::string() : ids.front();
            return !m_mainWindow.empty();
        },
        timeoutMs);
    return m_mainWindow;
}

std::vector<std::string> RealProgram::OtherWindows()
{
    const std::string main = MainWindow(0);
    const XdotoolRun found = Xdotool({"search", "--maxdepth", "1", "--onlyvisible", "--pid", std::to_string(Pid()), "--name", ".*"});
    std::vector<std::string> others;
    // Qt keeps an unnamed top-level helper window of its own; a window the user meets has a title.
    for (const std::string& id : Lines(found.out))
        if (id != main && !Title(id).empty())
            others.push_back(id);
    return others;
}

std::string RealProgram::WaitForWindow(const std::string& titlePattern, int timeoutMs)
{
    const std::string main = MainWindow(0);
    std::string window;
    (void)QTest::qWaitFor(
        [&] {
            const XdotoolRun found =
                Xdotool({"search", "--maxdepth", "1", "--onlyvisible", "--pid", std::to_string(Pid()), "--name", titlePattern});
            for (const std::string& id : Lines(found.out))
                if (id != main && !Geometry(id).isEmpty())
                    window = id;
            return !window.empty();
        },
        timeoutMs);
    if (!window.empty())
        Settle(300);  // mapped is not yet drawn
    return window;
}

bool RealProgram::WaitForWindowGone(const std::string& window, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const XdotoolRun found = Xdotool({"search", "--maxdepth", "1", "--onlyvisible", "--pid", std::to_string(Pid()), "--name", ".*"});
            const std::vector<std::string> ids = Lines(found.out);
            return std::find(ids.begin(), ids.end(), window) == ids.end();
        },
        timeoutMs);
}

QRect RealProgram::Geometry(const std::string& window)
{
    const XdotoolRun run = Xdotool({"getwindowgeometry", "--shell", window});
    if (!run.ok)
        return {};
    std::map<std::string, int> values;
    for (const std::string& line : Lines(run.out)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
    }
    return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
}

std::string RealProgram::Title(const std::string& window)
{
    const XdotoolRun run = Xdotool({"getwindowname", window});
    std::string title = run.out;
    while (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

void RealProgram::Focus()
{
    const std::string window = MainWindow();
    ASSERT_FALSE(window.empty()) << "no main window";
    FocusWindow(window);
}

void RealProgram::FocusWindow(const std::string& window)
{
    // Not "windowfocus --sync": it waits for the X focus to be exactly this window, and the program moves it
    // on to the native child that holds its focus widget (the list, a video surface). Keys reach the program
    // either way, so the X focus may be the window or anything inside it.
    const auto focused = [&] {
        const XdotoolRun run = Xdotool({"getwindowfocus", "-f"});
        const std::vector<std::string> lines = Lines(run.out);
        return run.ok && lines.size() == 1 && IsWindowOrInside(lines[0], window);
    };
    bool done = false;
    for (int attempt = 0; attempt < 5 && !done; ++attempt) {
        (void)Xdotool({"windowfocus", window});
        done = QTest::qWaitFor(focused, 1000);
    }
    if (!done) {
        const XdotoolRun now = Xdotool({"getwindowfocus", "-f"});
        const std::string holder = Lines(now.out).empty() ? std::string("none") : Lines(now.out)[0];
        ADD_FAILURE() << "focus did not reach window " << window << "; it is on " << holder << " ("
                      << Title(holder) << ")";
    }
    Settle(100);
}

void RealProgram::Key(const std::string& keys)
{
    EXPECT_TRUE(Xdotool({"key", "--delay", "60", keys}).ok) << keys;
    Settle(200);
}

void RealProgram::Type(const std::string& text)
{
    EXPECT_TRUE(Xdotool({"type", "--delay", "20", text}).ok) << text;
    Settle(200);
}

void RealProgram::ClickIn(const std::string& window, QPoint point, int button)
{
    EXPECT_TRUE(Xdotool({"mousemove", "--window", window, Number(point.x()), Number(point.y())}).ok);
    Settle(150);  // the widget under the mouse sees it enter first, as with a hand on the mouse
    EXPECT_TRUE(Xdotool({"click", Number(button)}).ok);
    Settle(250);
}

void RealProgram::Click(QPoint point, int button)
{
    ClickIn(MainWindow(), point, button);
}

void RealProgram::DoubleClick(QPoint point)
{
    EXPECT_TRUE(Xdotool({"mousemove", "--window", MainWindow(), Number(point.x()), Number(point.y())}).ok);
    Settle(150);
    EXPECT_TRUE(Xdotool({"click", "--repeat", "2", "--delay", "80", "1"}).ok);
    Settle(250);
}

void RealProgram::Drag(QPoint from, QPoint to)
{
    const std::string window = MainWindow();
    EXPECT_TRUE(Xdotool({"mousemove", "--window", window, Number(from.x()), Number(from.y())}).ok);
    Settle(150);
    EXPECT_TRUE(Xdotool({"mousedown", "1"}).ok);
    Settle(150);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + (to - from) * step / 4;
        EXPECT_TRUE(Xdotool({"mousemove", "--window", window, Number(at.x()), Number(at.y())}).ok);
        Settle(80);
    }
    EXPECT_TRUE(Xdotool({"mouseup", "1"}).ok);
    Settle(250);
}

void RealProgram::ParkMouse()
{
    // Right of the toolbar, left of the logo: no button, no tooltip.
    EXPECT_TRUE(Xdotool({"mousemove", "--window", MainWindow(), "600", "25"}).ok);
    Settle(100);
}

QImage ScreenArea(const QRect& area)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

bool SaveScreenArea(const QRect& area, const fs::path& file)
{
    const QImage image = ScreenArea(area);
    return !image.isNull() && image.save(QString::fromStdString(file.string()), "PNG");
}

bool LooksLikeAPicture(const QImage& image, int minimumColours)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 6)
        for (int x = 0; x < image.width(); x += 6)
            colours.insert(image.pixel(x, y));
    return colours.size() >= minimumColours;
}

double ChangedShare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    int changed = 0, total = 0;
    for (int y = 0; y < a.height(); y += 4)
        for (int x = 0; x < a.width(); x += 4) {
            ++total;
            if (a.pixel(x, y) != b.pixel(x, y))
                ++changed;
        }
    return total ? double(changed) / total : 0.0;
}

fs::path JourneysFolder()
{
    return fs::path(TESSARO_BUILD_DIR) / "journeys";
}

JourneyShots::JourneyShots(std::string journey) : m_folder(JourneysFolder() / journey)
{
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    fs::create_directories(m_folder);
}

QImage JourneyShots::Take(const std::string& step, QRect area)
{
    if (area.isEmpty())
        area = m_defaultArea;
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d-", m_next++);
    const QImage image = ScreenArea(area);
    EXPECT_TRUE(image.save(QString::fromStdString((m_folder / (prefix + step + ".png")).string()), "PNG")) << step;
    return image;
}

FileStamp StampOf(const fs::path& file)
{
    std::error_code error;
    return {ReadWhole(file), fs::last_write_time(file, error)};
}

std::map<std::string, FileStamp> StampTree(const fs::path& folder)
{
    std::map<std::string, FileStamp> stamps;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (error)
            break;
        if (it->is_regular_file(error))
            stamps[fs::relative(it->path(), folder).string()] = StampOf(it->path());
    }
    return stamps;
}
