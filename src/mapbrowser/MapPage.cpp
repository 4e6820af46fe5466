#include "mapbrowser/MapPage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// One profile for every map view: in memory only, and naming the program to the tile service.
QWebEngineProfile* MapProfile(const QString& userAgent)
{
    static QWebEngineProfile* profile = [&userAgent] {
        auto* created = new QWebEngineProfile(QCoreApplication::instance());
        created->setHttpUserAgent(userAgent);
        return created;
    }();
    return profile;
}

// Keeps the browser on the map page: every other address goes to the desktop's browser.
class PinnedPage final : public QWebEnginePage {
public:
    PinnedPage(QWebEngineProfile* profile, QUrl pageUrl, QObject* parent)
        : QWebEnginePage(profile, parent), m_pageUrl(std::move(pageUrl))
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
    QWebEnginePage* createWindow(WebWindowType) override { return new LinkCatcher(profile(), this); }

private:
    static void OpenOutside(const QUrl& url)
    {
        if (url.scheme() == "http" || url.scheme() == "https")
            QDesktopServices::openUrl(url);
    }

    class LinkCatcher final : public QWebEnginePage {
    public:
        LinkCatcher(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

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

MapPage::MapPage(QWebEngineView& view, MapBrowserSetup setup) : QObject(&view), m_view(view), m_setup(std::move(setup))
{
    auto* page = new PinnedPage(MapProfile(m_setup.userAgent), m_setup.pageUrl, &m_view);
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

QWidget* MapPage::View() const
{
    return &m_view;
}

void MapPage::Log(const std::string& text) const
{
    if (m_setup.log)
        m_setup.log(text);
}

void MapPage::Load()
{
    if (m_loadsStarted > 0)
        return;
    ++m_loadsStarted;
    if (!QFileInfo::exists(m_setup.pageUrl.toLocalFile())) {
        Log("map page missing: " + m_setup.pageUrl.toLocalFile().toStdString());
        return;
    }
    m_view.load(m_setup.pageUrl);
    if (QWidget* proxy = m_view.focusProxy())
        proxy->setAcceptDrops(false);
}

void MapPage::OnLoadFinished(bool ok)
{
    if (QWidget* proxy = m_view.focusProxy())
        proxy->setAcceptDrops(false);
    if (!ok) {
        m_loaded = false;
        Log("map page did not load");
        if (m_setup.loaded)
            m_setup.loaded(false);
        return;
    }
    const QPointer<MapPage> self(this);
    m_view.page()->runJavaScript(QStringLiteral("typeof L"), [self](const QVariant& type) {
        if (self && type.toString() != "object")
            self->Log("Leaflet missing: the map stays blank");
    });
    m_view.page()->runJavaScript(QStringLiteral("typeof QWebChannel"), [self](const QVariant& type) {
        if (self && type.toString() != "function")
            self->Log("web channel missing: the map stays blank");
    });
}

void MapPage::OnPageReady()
{
    m_loaded = true;
    for (const Call* call : {&m_tilesCall, &m_trackCall, &m_positionCall})
        if (!call->function.isEmpty())
            emit m_bridge.call(call->function, call->arguments);
    if (m_setup.loaded)
        m_setup.loaded(true);
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

void MapPage::SetTrack(const QVariantList& points)
{
    Remember(m_trackCall, "setTrack", {QVariant(points)});
    // A new track hides the marker on the page; the next position shows it again.
    m_positionCall = Call{};
}

void MapPage::SetPosition(double latitude, double longitude)
{
    Remember(m_positionCall, "positionChange", {latitude, longitude});
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

extern "C" Q_DECL_EXPORT MapBrowser* CreateMapBrowser(QWidget* parent, const MapBrowserSetup& setup)
{
    auto* view = new QWebEngineView(parent);
    return new MapPage(*view, setup);
}
