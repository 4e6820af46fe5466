#pragma once

// The start-up class: it creates what the whole program shares (the session, the skin, the media engine
// adapter), then the windows, and hands each window its collaborators through its constructor. Views never
// reach for a process-wide accessor themselves; this is the one place that does, so the wiring of the
// program can be read here.
//
// Created and destroyed on the user-interface thread, after the QApplication.

#include "playback/VlcFunctionExecutor.h"
#include "session/PlaybackSession.h"

#include <memory>

class CCorvellNewDlg;
class ResourceManager;
struct ViewerOptions;

class ViewerApp {
public:
    // Loads the skin and the media engine. Throws VlcLoadError when the engine library cannot be loaded
    // (the caller tells the user and ends); the session is then not touched.
    ViewerApp();
    // Stops the session's delivery, then lets everything go in the order the parts depend on each other:
    // the windows, the session's dispatch thread, the engine library, the skin.
    ~ViewerApp();
    ViewerApp(const ViewerApp&) = delete;
    ViewerApp& operator=(const ViewerApp&) = delete;

    // Creates the main window (once) with the session and the engine; the caller shows it.
    CCorvellNewDlg& OpenMainWindow(const ViewerOptions& options);

    PlaybackSession& Session() { return m_session; }
    VlcFunctionExecutor& Engine() { return m_engine; }
    const ResourceManager& Skin() const { return m_skin; }

private:
    const ResourceManager& m_skin;
    VlcFunctionExecutor& m_engine;
    PlaybackSession& m_session;
    std::unique_ptr<CCorvellNewDlg> m_mainWindow;
};
