// tessaro-viewer [--lang ko|en] [--log] [--log-level N] [--trace-startup] [PATH...]
//
// Starts the viewer: the web engine's process settings, the application, the language, the media engine
// (its absence ends the program with a box), the main window; paths given open as a drop as the window
// shows. SIGTERM and SIGINT close the window as its close button does.

#include "infra/MemoryPolicy.h"
#include "infra/StringTable.h"
#include "infra/Version.h"
#include "widgets/QtTranslations.h"
#include "playback/CFirstChannelVideoPane.h"
#include "playback/CVideoPlayerPane.h"
#include "playback/SessionView.h"
#include "playback/VlcFunctionExecutor.h"
#include "settings/ViewerOptions.h"
#include "ui/CCorvellNewDlg.h"
#include "ui/ViewerApp.h"
#include "ui/map/WebEngineProcess.h"
#include "widgets/MessageBoxReporter.h"
#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <pthread.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
}

// Closes window when SIGTERM or SIGINT arrives (the handler only writes to a pipe the event loop reads).
void CloseOnTerminationSignals(QWidget& window)
{
    if (::pipe(g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        (void)!::read(g_signalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void PrintMoment(const char* key)
{
    const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    std::printf("%s=%.3f\n", key, now);
    std::fflush(stdout);
}

// --trace-startup, for the start-up benchmark: prints play_at=<unix time> when the session first tells the
// players to play a recording (what comes before is the viewer's own start-up), and first_frame_at=<unix
// time> the moment the engine has put its own output window into channel 1's surface (its first picture
// is on the way). A thread with its own X connection watches for the latter, so a busy user-interface
// thread does not delay the figure.
class StartupTrace : public IListener {
public:
    StartupTrace(PlaybackSession& session, CCorvellNewDlg& window)
    {
        const auto surface =
            static_cast<xcb_window_t>(window.PlayerPane()->FirstChannel()->VideoSurface()->winId());
        std::thread([surface] {
            xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
            for (int poll = 0; !xcb_connection_has_error(connection) && poll < 30000; ++poll) {
                xcb_query_tree_reply_t* reply =
                    xcb_query_tree_reply(connection, xcb_query_tree(connection, surface), nullptr);
                const bool children = reply && xcb_query_tree_children_length(reply) > 0;
                std::free(reply);
                if (children) {
                    PrintMoment("first_frame_at");
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            xcb_disconnect(connection);
        }).detach();
        m_listening = {session, *this};
    }

    void update(int32_t message, MessageParam*) override
    {
        if (message == NEW_VIDEO_PLAY && !m_playing.exchange(true))
            PrintMoment("play_at");
    }

private:
    std::atomic<bool> m_playing{false};
    SessionSubscription m_listening;  // declared last: removed before the flag goes
};

// The program's options; process() answers --help and --version itself.
struct CommandLine {
    QCommandLineParser parser;
    const QCommandLineOption lang{QStringLiteral("lang"), QStringLiteral("Language: ko or en."), QStringLiteral("ko|en")};
    const QCommandLineOption log{QStringLiteral("log"), QStringLiteral("Write the diagnostic log (LOG/).")};
    const QCommandLineOption logLevel{QStringLiteral("log-level"), QStringLiteral("Log up to this level."),
                                      QStringLiteral("N")};
    const QCommandLineOption trace{QStringLiteral("trace-startup"),
                                   QStringLiteral("Print play_at=<unix time> when playback is asked for and "
                                                  "first_frame_at=<unix time> at the first picture.")};

    // What --help prints after the options; the manual page is made from the whole help text, so the two
    // say the same.
    static QString Epilogue()
    {
        return QStringLiteral(
            "\n"
            "Files:\n"
            "  option.ini   The viewer's options, written in the folder it runs in when it closes.\n"
            "               The desktop entry runs it in ~/.local/share/tessaro-viewer.\n"
            "  LOG/         The diagnostic log beside option.ini, one file a day (with --log).\n"
            "  ~/Documents  Stills, clips and reports (the XDG documents folder); the originals of\n"
            "               repaired recordings are kept in its BROKENFILES folder.\n"
            "\n"
            "Exit status:\n"
            "  0  The window was closed.\n"
            "  1  The media engine (libVLC) could not be loaded, or the command line was not understood.\n"
            "\n"
            "Examples:\n"
            "  tessaro-viewer /media/$USER/CARD\n"
            "      Opens a card: every recording is listed and the first one plays.\n"
            "  tessaro-viewer --lang ko REC_20120820_153012_F.avi\n"
            "      Plays one recording with the Korean interface.\n"
            "  tessaro-viewer --log --log-level 5 /media/$USER/CARD\n"
            "      Writes every line of the diagnostic log, the media engine's own messages included.\n");
    }

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral("Viewer for dash camera recordings"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({lang, log, logLevel, trace});
        parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Recordings or folders to open."),
                                     QStringLiteral("[PATH...]"));
    }
};

void NameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("tessaro-viewer"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kTessaroVersionText));
}

// Whether the arguments ask for help or the version, up to a "--" after which only paths follow.
bool AsksOnlyForText(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all" ||
            argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

Language ChosenLanguage(const QString& option)
{
    if (option == "ko")
        return Language::Korean;
    if (option == "en")
        return Language::English;
    return QLocale::system().language() == QLocale::Korean ? Language::Korean : Language::English;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Help and version are text for a terminal: they need no display (and no engine).
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication text(argc, argv);
        NameApplication();
        CommandLine commandLine;
        QCommandLineParser& parser = commandLine.parser;
        parser.parse(text.arguments());
        if (parser.isSet(QStringLiteral("help"))) {
            // The usage line names the program as it is installed, not the path it was started by.
            QString help = parser.helpText();
            help.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: tessaro-viewer"));
            std::fputs(qPrintable(help + CommandLine::Epilogue()), stdout);
            return 0;
        }
        parser.process(text);  // prints the version (or what is wrong) and ends the program
        return 0;
    }

    // Before the engine's threads start: the pictures they decode, recording after recording, must not
    // pile up in per-thread heaps.
    ReturnLargeBlocksToTheSystem();

    // A parent may have started us with these signals blocked; the threads made later inherit the mask.
    sigset_t termination;
    sigemptyset(&termination);
    sigaddset(&termination, SIGTERM);
    sigaddset(&termination, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);

    const QString engineOptions = qEnvironmentVariable("TESSARO_VLC_OPTIONS");
    if (!engineOptions.isEmpty()) {
        std::vector<std::string> options;
        for (const QString& option : engineOptions.split(' ', Qt::SkipEmptyParts))
            options.push_back(option.toStdString());
        VlcFunctionExecutor::SetExtraEngineOptions(std::move(options));
    }
    // The engine loads its plug-ins while the window is being built; a missing engine is told once
    // there is an application to show the box.
    std::optional<VlcLoadError> engineError;
    try {
        VlcFunctionExecutor::Instance()->StartWarmUp();
    } catch (const VlcLoadError& error) {
        engineError = error;
    }

    PrepareWebEngineProcess();
    QApplication app(argc, argv);
    NameApplication();
    // The window's close ends the program even while the map floats in a window of its own.
    QApplication::setQuitOnLastWindowClosed(false);

    CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    parser.process(app);

    SetCurrentLanguage(ChosenLanguage(parser.value(commandLine.lang)));
    UseQtTranslations(CurrentLanguage());
    // Qt applies the user's locale; a decimal comma would change every number the program formats.
    std::setlocale(LC_NUMERIC, "C");

    ViewerOptions options;
    options.m_useLog = parser.isSet(commandLine.log) || parser.isSet(commandLine.logLevel);
    if (parser.isSet(commandLine.logLevel))
        options.m_logLevel = parser.value(commandLine.logLevel).toInt();

    MessageBoxReporter reporter;
    std::unique_ptr<ViewerApp> viewer;
    try {
        if (engineError)
            throw *engineError;
        viewer = std::make_unique<ViewerApp>();
    } catch (const VlcLoadError& error) {
        // Also for whoever started us from a terminal or a script.
        std::fprintf(stderr, "tessaro-viewer: %s\n", error.what());
        GetMessageBoxes().Show(nullptr, QString(), QString::fromStdString(error.what()), QMessageBox::Ok);
        return 1;
    }

    CCorvellNewDlg& window = viewer->OpenMainWindow(options);
    QObject::connect(&window, &CCorvellNewDlg::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    CloseOnTerminationSignals(window);
    std::unique_ptr<StartupTrace> trace;
    if (parser.isSet(commandLine.trace))
        trace = std::make_unique<StartupTrace>(viewer->Session(), window);
    // The paths given start their scan before the window is mapped and first painted, which holds this
    // thread for a few hundredths of a second; the list is handed over once the window shows.
    const QStringList paths = parser.positionalArguments();
    if (!paths.isEmpty())
        window.OpenPaths(paths);
    window.show();
    const int status = app.exec();
    trace.reset();
    viewer.reset();
    return status;
}
