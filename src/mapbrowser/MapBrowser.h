#pragma once

// The map's browser lives in a module of its own (libtessaro-mapbrowser.so), which the map pane loads
// when it first shows the map. Linked into the program, the web engine's libraries would be loaded at
// every start, and the engine would make the application create a graphics context before its first
// window; both cost a few tenths of a second before the first picture.
//
// This header is all the pane and the module share: Qt value types and std::function, no Qt
// meta-objects and no code of the program, so the module stands on the web engine alone.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <string>

class QWidget;

struct MapBrowserSetup {
    QUrl pageUrl;
    QString userAgent;                            // how the browser names itself to the tile service
    std::function<void(const std::string&)> log;  // a line for the diagnostic log
    std::function<void(bool ok)> loaded;          // the page has loaded, with its channel up, or failed to
};

// The map page in its browser (see MapPage.h). User-interface thread only.
class MapBrowser {
public:
    virtual ~MapBrowser() = default;

    // The browser widget, a child of the parent it was made for; this object is deleted with it.
    virtual QWidget* View() const = 0;

    // Loads the page the first time it is called; later calls do nothing.
    virtual void Load() = 0;
    // The page has loaded and its channel is up: calls reach it now.
    virtual bool IsLoaded() const = 0;
    virtual int LoadsStarted() const = 0;

    virtual void SetTiles(const QString& urlTemplate, const QString& attribution) = 0;
    virtual void SetOffline(const QString& note) = 0;
    // The whole track: a [latitude, longitude] list per sample, an invalid QVariant where the line breaks.
    virtual void SetTrack(const QVariantList& points) = 0;
    virtual void SetPosition(double latitude, double longitude) = 0;
    virtual void ClearPosition() = 0;

    // Runs a script on the page once it has loaded; the answer (or an invalid value) goes to done.
    virtual void Evaluate(const QString& script, const std::function<void(const QVariant&)>& done) = 0;
};

// The module's one entry point, looked up by name: a new browser as a child of parent.
using CreateMapBrowserFunction = MapBrowser* (*)(QWidget* parent, const MapBrowserSetup& setup);
inline constexpr const char* kCreateMapBrowserSymbol = "CreateMapBrowser";
