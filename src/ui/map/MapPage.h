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

#include "recording/RecordingItem.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <vector>

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

class MapPage : public QObject {
    Q_OBJECT
public:
    // Sets up view (owned by the caller) for the page; nothing is loaded yet.
    MapPage(QWebEngineView& view, QUrl pageUrl);

    // Loads the page the first time it is called; later calls do nothing. A missing page is logged once
    // and leaves the browser blank.
    void Load();
    // The page has loaded and its channel is up: calls reach it now.
    bool IsLoaded() const { return m_loaded; }
    int LoadsStarted() const { return m_loadsStarted; }

    void SetTiles(const QString& urlTemplate, const QString& attribution);
    void SetOffline(const QString& note);
    // The recording's whole track; samples without a fix break the line.
    void SetTrack(const std::vector<GpsSample>& samples);
    // Moves the marker there; a sample without a fix or a usable position hides it.
    void SetPosition(const GpsSample& sample);
    void ClearPosition();

    // Runs a script on the page once it has loaded; the answer (or an invalid value) goes to done.
    void Evaluate(const QString& script, const std::function<void(const QVariant&)>& done);

signals:
    void Loaded(bool ok);

private:
    struct Call {
        QString function;  // empty: none
        QVariantList arguments;
    };

    void OnLoadFinished(bool ok);
    void OnPageReady();
    // Keeps the call in slot and sends it now when the page is ready.
    void Remember(Call& slot, const QString& function, QVariantList arguments);

    QWebEngineView& m_view;
    QUrl m_pageUrl;
    MapPageBridge m_bridge;
    bool m_loaded = false;
    int m_loadsStarted = 0;
    // The newest call of each kind, replayed in this order when the page is ready.
    Call m_tilesCall, m_trackCall, m_positionCall;
};
