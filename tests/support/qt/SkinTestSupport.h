#pragma once

// Helpers of the skinned-control tests: the built skin behind ResourceManager::GetInstance(), and mouse
// input sent through the window as the windowing system would (hover, leave and double-clicks come
// from the platform's own event synthesis that way).

#include "widgets/ResourceManager.h"
#include "support/TempDir.h"

#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <filesystem>

// Makes the process-wide manager serve the archive built with the tests, for the object's lifetime;
// afterwards there is no manager, as other tests expect at their start.
class BuiltSkin {
public:
    BuiltSkin()
    {
        ResourceManager::DestroyInstance();
        ScopedCurrentPath cwd(std::filesystem::path(TESSARO_SKIN_ARCHIVE).parent_path());
        ResourceManager::GetInstance();
    }
    ~BuiltSkin() { ResourceManager::DestroyInstance(); }
    BuiltSkin(const BuiltSkin&) = delete;
    BuiltSkin& operator=(const BuiltSkin&) = delete;
};

// Shows a top-level window and waits until it is drawn and has the keyboard focus.
inline bool ShowAndWait(QWidget& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Mouse input at a point of a widget, routed through its top-level window.
struct WindowMouse {
    static QWindow* Window(QWidget* widget) { return widget->window()->windowHandle(); }
    static QPoint At(QWidget* widget, QPoint local) { return widget->mapTo(widget->window(), local); }

    static void Move(QWidget* widget, QPoint local) { QTest::mouseMove(Window(widget), At(widget, local)); }
    static void Press(QWidget* widget, QPoint local)
    {
        QTest::mousePress(Window(widget), Qt::LeftButton, {}, At(widget, local));
    }
    static void Release(QWidget* widget, QPoint local)
    {
        QTest::mouseRelease(Window(widget), Qt::LeftButton, {}, At(widget, local));
    }
    static void DoubleClick(QWidget* widget, QPoint local)
    {
        QTest::mouseDClick(Window(widget), Qt::LeftButton, {}, At(widget, local));
    }
};

// What a widget shows right now, in device-independent pixels.
inline QImage Shot(QWidget& widget)
{
    QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}
