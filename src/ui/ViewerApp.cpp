#include "ui/ViewerApp.h"

#include "ui/CCorvellNewDlg.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"

ViewerApp::ViewerApp()
    : m_skin(*ResourceManager::GetInstance()),
      m_engine(*VlcFunctionExecutor::Instance()),
      m_session(PlaybackSession::GetInstance())
{
}

CCorvellNewDlg& ViewerApp::OpenMainWindow(const ViewerOptions& options)
{
    if (!m_mainWindow) {
        m_mainWindow = std::make_unique<CCorvellNewDlg>(m_session, m_engine, options);
        SetMainWindowForMessageBoxes(m_mainWindow.get());
    }
    return *m_mainWindow;
}

ViewerApp::~ViewerApp()
{
    m_session.StopDelivery();
    // The windows go first (each view unregisters and releases its players), before the session's thread
    // ends.
    m_mainWindow.reset();
    m_session.Shutdown();
    VlcFunctionExecutor::DestroyInstance();
    ResourceManager::DestroyInstance();
}
