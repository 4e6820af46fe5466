#include "ui/ViewerApp.h"

#include "widgets/ResourceManager.h"

ViewerApp::ViewerApp()
    : m_skin(*ResourceManager::GetInstance()),
      m_engine(*VlcFunctionExecutor::Instance()),
      m_session(PlaybackSession::GetInstance())
{
}

ViewerApp::~ViewerApp()
{
    m_session.StopDelivery();
    // The windows go first (each view unregisters and releases its players): reset them here, before the
    // session's thread ends.
    m_session.Shutdown();
    VlcFunctionExecutor::DestroyInstance();
    ResourceManager::DestroyInstance();
}
