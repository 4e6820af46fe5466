#pragma once

// The map page in its browser. The page is loaded once; what the viewer wants shown (tiles or the
// offline note, the track, the newest position) is kept here and handed to the page as soon as it is
// ready, so nothing asked for before that is lost. Calls reach the page as messages of one web channel
// (a function name and its arguments), in the order they were made: a script per call would leave one
// compiled script per position in the page's engine, which grows by megabytes over an evening. The page
// ignores a function it does not have (or every call, without Leaflet).
//
// The browser stays on the page: links open in the desktop's browser, drops and the context menu are
// off. User-interface thread only.

#include "mapbrowser/MapBrowser.h"

#include <QObject>

class QWebEngineView;

// The object the page sees on its web channel as "viewer".
class MapPageBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The page calls this once its channel is up: it wants everything it should show.
    Q_INVOKABLE void ready() { emit PageReady(); }

signals:
    // To the page: call window[function](...arguments).
    void call(const QString& function, const QVariantList& arguments);
    void PageReady();
};

class MapPage final : public QObject, public MapBrowser {
    Q_OBJECT
public:
    // Sets up view for the page and becomes its child; nothing is loaded yet.
    MapPage(QWebEngineView& view, MapBrowserSetup setup);

    QWidget* View() const override;
    // A missing page is logged once and leaves the browser blank.
    void Load() override;
    bool IsLoaded() const override { return m_loaded; }
    int LoadsStarted() const override { return m_loadsStarted; }

    void SetTiles(const QString& urlTemplate, const QString& attribution) override;
    void SetOffline(const QString& note) override;
    // A new track hides the marker; the next position shows it again.
    void SetTrack(const QVariantList& points) override;
    void SetPosition(double latitude, double longitude) override;
    void ClearPosition() override;

    void Evaluate(const QString& script, const std::function<void(const QVariant&)>& done) override;

private:
    struct Call {
        QString function;  // empty: none
        QVariantList arguments;
    };

    void Log(const std::string& text) const;
    void OnLoadFinished(bool ok);
    void OnPageReady();
    // Keeps the call in slot and sends it now when the page is ready.
    void Remember(Call& slot, const QString& function, QVariantList arguments);

    QWebEngineView& m_view;
    MapBrowserSetup m_setup;
    MapPageBridge m_bridge;
    bool m_loaded = false;
    int m_loadsStarted = 0;
    // The newest call of each kind, replayed in this order when the page is ready.
    Call m_tilesCall, m_trackCall, m_positionCall;
};
