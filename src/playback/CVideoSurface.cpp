#include "playback/CVideoSurface.h"

CVideoSurface::CVideoSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    // Keep the parent chain non-native: only the surface needs a window of its own.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
}
