#pragma once

// What the web engine needs before the QApplication exists; the program's and the tests' main() call it.

#include <QCoreApplication>
#include <QtGlobal>

#include <unistd.h>

inline void PrepareWebEngineProcess()
{
    // The engine refuses to start as root with its sandbox on; an ordinary user keeps the sandbox.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
