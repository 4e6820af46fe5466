#include "ui/map/MapPage.h"

#include "infra/DiagnosticLog.h"
#include "ui/map/ConnectivityCheck.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cmath>

namespace {

void LogMapPage(const std::string& text)
{
    WriteLog(text, "GPSMapControl", "MapPage", kLogType, kLogLevelNormal);
}

bool HasPosition(const GpsSample& sample)
{
    return sample.valid && std::isfinite(sample.latitude) && std::isfinite(sample.longitude);
}

// One profile for every map view: in memory only, and naming the program to the tile service.
QWebEngineProfile* MapProfile()
{
    static QWebEngineProfile* profile = [] {
        auto* created = new QWebEngineProfile(QCoreApplication::instance());
        created->setHttpUserAgent(ConnectivityCheck::UserAgent());
        return created;
    }();
    return profile;
}

// Keeps the browser on the map page: every other address goes to the desktop's browser.
class PinnedPage final : public QWebEnginePage {
public:
    PinnedPage(QUrl pageUrl, QObject* parent) : QWebEnginePage(MapProfile(), parent), m_pageUrl(std::move(pageUrl))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame || url.matches(m_pageUrl, QUrl::RemoveFragment))
            return true;
        OpenOutside(url);
        return false;
    }

    // A link that asks for a new window: catch its address in a page that is never shown.
    QWebEnginePage* createWindow(WebWindowType) override { return new LinkCatcher(this); }

private:
    static void OpenOutside(const QUrl& url)
    {
        if (url.scheme() == "http" || url.scheme() == "https")
            QDesktopServices::openUrl(url);
    }

    class LinkCatcher final : public QWebEnginePage {
    public:
        explicit LinkCatcher(QObject* parent) : QWebEnginePage(MapProfile(), parent) {}

    protected:
        bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
        {
            OpenOutside(url);
            deleteLater();
            return false;
        }
    };

    QUrl m_pageUrl;
};

}  // namespace

MapPage::MapPage(QWebEngineView& view, QUrl pageUrl) : QObject(&view), m_view(view), m_pageUrl(std::move(pageUrl))
{
    auto* page = new PinnedPage(m_pageUrl, &m_view);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    auto* channel = new QWebChannel(page);
    channel->registerObject(QStringLiteral("viewer"), &m_bridge);
    page->setWebChannel(channel);
    m_view.setPage(page);
    m_view.setContextMenuPolicy(Qt::NoContextMenu);
    // Dropped folders are for the main window, not for the browser.
    m_view.setAcceptDrops(false);
    connect(&m_view, &QWebEngineView::loadFinished, this, &MapPage::OnLoadFinished);
    connect(&m_bridge, &MapPageBridge::PageReady, this, &MapPage::OnPageReady);
}

void MapPage::Load()
{
    if (m_loadsStarted > 0)
        return;
    ++m_loadsStarted;
    if (!QFileInfo::exists(m_pageUrl.toLocalFile())) {
        LogMapPage("map page missing: " + m_pageUrl.toLocalFile().toStdString());
        return;
    }
    m_view.load(m_pageUrl);
    if (QWidget* proxy = m_view.focusProxy())
        proxy->setAcceptDrops(false);
}

void MapPage::OnLoadFinished(bool ok)
{
    if (QWidget* proxy = m_view.focusProxy())
        proxy->setAcceptDrops(false);
    if (!ok) {
        m_loaded = false;
        LogMapPage("map page did not load");
        emit Loaded(false);
        return;
    }
    m_view.page()->runJavaScript(QStringLiteral("typeof L"), [](const QVariant& type) {
        if (type.toString() != "object")
            LogMapPage("Leaflet missing: the map stays blank");
    });
    m_view.page()->runJavaScript(QStringLiteral("typeof QWebChannel"), [](const QVariant& type) {
        if (type.toString() != "function")
            LogMapPage("web channel missing: the map stays blank");
    });
}

void MapPage::OnPageReady()
{
    m_loaded = true;
    for (const Call* call : {&m_tilesCall, &m_trackCall, &m_positionCall})
        if (!call->function.isEmpty())
            emit m_bridge.call(call->function, call->arguments);
    emit Loaded(true);
}

void MapPage::Remember(Call& slot, const QString& function, QVariantList arguments)
{
    slot = Call{function, std::move(arguments)};
    if (m_loaded)
        emit m_bridge.call(slot.function, slot.arguments);
}

void MapPage::SetTiles(const QString& urlTemplate, const QString& attribution)
{
    Remember(m_tilesCall, "setTiles", {urlTemplate, attribution});
}

void MapPage::SetOffline(const QString& note)
{
    Remember(m_tilesCall, "setOffline", {note});
}

void MapPage::SetTrack(const std::vector<GpsSample>& samples)
{
    QVariantList points;
    points.reserve(static_cast<qsizetype>(samples.size()));
    for (const GpsSample& sample : samples)
        points.append(HasPosition(sample) ? QVariant(QVariantList{sample.latitude, sample.longitude}) : QVariant());
    Remember(m_trackCall, "setTrack", {QVariant(points)});
    // A new track hides the marker on the page; the next position shows it again.
    m_positionCall = Call{};
}

void MapPage::SetPosition(const GpsSample& sample)
{
    if (HasPosition(sample))
        Remember(m_positionCall, "positionChange", {sample.latitude, sample.longitude});
    else
        ClearPosition();
}

void MapPage::ClearPosition()
{
    Remember(m_positionCall, "clearPosition", {});
}

void MapPage::Evaluate(const QString& script, const std::function<void(const QVariant&)>& done)
{
    if (!m_loaded) {
        done(QVariant());
        return;
    }
    m_view.page()->runJavaScript(script, done);
}
