#pragma once

#include <QWidget>

// The window the media engine draws into. It has a native window of its own (the engine is handed its
// X11 id) and Qt never paints it: with no paint engine and painting "on screen", Qt leaves its pixels to
// the engine and raises no GL context next to other GL users of the same window.
class CVideoSurface final : public QWidget {
public:
    explicit CVideoSurface(QWidget* parent);
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {}
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
};
