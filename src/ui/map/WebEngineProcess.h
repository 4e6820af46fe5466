#pragma once

// What the web engine needs before the QApplication exists; the program's and the tests' main() call it.
// The engine itself is loaded later, with the map's browser module.

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>

#include <unistd.h>

inline void PrepareWebEngineProcess()
{
    // The engine refuses to start as root with its sandbox on; an ordinary user keeps the sandbox.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The browser draws its page in software into the window: drawn through the graphics card instead,
    // the whole main window would be composed by it, and the native windows the video is played into (and
    // every control that shares their parent) would stay black.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    // The engine reports its graphics and process settings when it starts: for its developers, not for
    // the user's terminal (QT_LOGGING_RULES still brings it back).
    QLoggingCategory::setFilterRules("qt.webenginecontext.info=false");
}
