#include "playback/CVideoSurface.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace {

// The engine draws the picture into a window of its own, only as large as the picture; the rest of the
// surface is ours. Without a background the X server leaves there whatever was drawn before (an older,
// larger picture after the surface shrank): give the window a black background and clear it.
void ClearToBlack(QWidget& surface)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !surface.testAttribute(Qt::WA_WState_Created))
        return;
    xcb_connection_t* connection = x11->connection();
    const auto window = static_cast<xcb_window_t>(surface.winId());
    const uint32_t black = 0;
    xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXEL, &black);
    xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
    xcb_flush(connection);
}

}  // namespace

CVideoSurface::CVideoSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    // Keep the parent chain non-native: only the surface needs a window of its own.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CVideoSurface::resizeEvent(QResizeEvent*)
{
    ClearToBlack(*this);
}

void CVideoSurface::showEvent(QShowEvent*)
{
    ClearToBlack(*this);
}
