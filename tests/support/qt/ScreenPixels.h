#pragma once

// What the X server shows, for windows that other programs draw into (MPlayer's previews): QWidget::grab
// sees only Qt's own drawing.

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QWidget>

// The pixels the X server shows in window, other programs' drawing included.
inline QImage ScreenPixels(QWidget* window)
{
    return QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
}

// A picture rather than a flat area (the ground under a fresh window): many colours on a grid of samples.
inline bool ShowsAPicture(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 8)
        for (int x = 0; x < image.width(); x += 8)
            colours.insert(image.pixel(x, y));
    return colours.size() > 24;
}
