#pragma once

// The map page in its browser. The page is loaded once; what the viewer wants shown (tiles or the
// offline note, the track, the newest position) is kept here and handed to the page as soon as it has
// loaded, so nothing asked for before that is lost. Every call is guarded, so a page without the
// function (or without Leaflet) simply shows nothing.
//
// The browser stays on the page: links open in the desktop's browser, drops and the context menu are
// off. User-interface thread only.

#include "recording/RecordingItem.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

class QWebEngineView;

class MapPage : public QObject {
    Q_OBJECT
public:
    // Sets up view (owned by the caller) for the page; nothing is loaded yet.
    MapPage(QWebEngineView& view, QUrl pageUrl);

    // Loads the page the first time it is called; later calls do nothing. A missing page is logged once
    // and leaves the browser blank.
    void Load();
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
    void OnLoadFinished(bool ok);
    // Keeps the call function(arguments) in slot and makes it now when the page has loaded; the call
    // does nothing on a page without that function.
    void Remember(QString& slot, const QString& function, const QString& arguments);

    QWebEngineView& m_view;
    QUrl m_pageUrl;
    bool m_loaded = false;
    int m_loadsStarted = 0;
    // The newest call of each kind, replayed in this order when the page has loaded.
    QString m_tilesCall, m_trackCall, m_positionCall;
};

// A coordinate as the page receives it: every digit a double holds, '.' in any locale.
QString ScriptNumber(double value);
// A text as a JavaScript string literal.
QString ScriptString(const QString& text);
