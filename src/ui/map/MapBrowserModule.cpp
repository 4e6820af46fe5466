#include "ui/map/MapBrowserModule.h"

#include "infra/DiagnosticLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>

#include <cstdio>

// Qt Gui exports this (its declaration sits in a private header): the context that Qt's graphics
// contexts share with, which an application asking for one gets before its first window.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

constexpr const char* kModuleFile = "libtessaro-mapbrowser.so";

// The web engine reads the global share context as it starts and stops on a null one. Made here, on
// first use, instead of at the application's start as the engine would have it: creating it loads the
// graphics drivers, which took about 0.14 s before the first window.
void ProvideGlobalShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // Lives as long as the program: the engine may use it until its own shutdown at the very end.
    auto* context = new QOpenGLContext;
    if (!context->create())
        WriteLog("no graphics context: the map draws in software", "GPSMapControl", "StartBrowser", kLogType,
                 kLogLevelNormal);
    qt_gl_set_global_share_context(context);
}

// An installation fault: the map stays blank, the rest of the program works. Told in the log and, for
// whoever started the program from a terminal, on standard error.
void Refuse(const std::string& text)
{
    WriteLog(text, "GPSMapControl", "StartBrowser", kLogType, kLogLevelNormal);
    std::fprintf(stderr, "tessaro-viewer: %s\n", text.c_str());
}

CreateMapBrowserFunction LoadModule()
{
    for (const QString& path : MapBrowserModuleCandidates()) {
        if (!QFileInfo::exists(path))
            continue;
        ProvideGlobalShareContext();
        QLibrary module(path);  // stays loaded: its browsers live as long as their panes
        if (auto create = reinterpret_cast<CreateMapBrowserFunction>(module.resolve(kCreateMapBrowserSymbol))) {
            WriteLog("map browser: " + path.toStdString(), "GPSMapControl", "StartBrowser", kLogType, kLogLevelNormal);
            return create;
        }
        Refuse("map browser module unusable: " + module.errorString().toStdString());
        return nullptr;
    }
    Refuse("map browser module missing: " + MapBrowserModuleCandidates().join(", ").toStdString());
    return nullptr;
}

}  // namespace

QStringList MapBrowserModuleCandidates()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    QStringList candidates{programFolder.absoluteFilePath(kModuleFile),
                           QDir::cleanPath(programFolder.absoluteFilePath(
                               QStringLiteral(TESSARO_MODULE_DIR_FROM_BIN "/") + kModuleFile)),
                           QStringLiteral(TESSARO_MAPBROWSER_BUILT)};
    candidates.removeDuplicates();
    return candidates;
}

MapBrowser* MakeMapBrowser(QWidget* parent, const MapBrowserSetup& setup)
{
    static const CreateMapBrowserFunction create = LoadModule();
    return create ? create(parent, setup) : nullptr;
}
