#include "ui/map/MapPage.h"

#include "infra/DiagnosticLog.h"
#include "ui/map/ConnectivityCheck.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <array>
#include <charconv>
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

QString ScriptNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("NaN");
    std::array<char, 40> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::general, 17);
    return QString::fromLatin1(digits.data(), static_cast<int>(result.ptr - digits.data()));
}

QString ScriptString(const QString& text)
{
    // A JSON array of one string is valid JavaScript; its brackets are dropped.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

MapPage::MapPage(QWebEngineView& view, QUrl pageUrl) : QObject(&view), m_view(view), m_pageUrl(std::move(pageUrl))
{
    auto* page = new PinnedPage(m_pageUrl, &m_view);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_view.setPage(page);
    m_view.setContextMenuPolicy(Qt::NoContextMenu);
    // Dropped folders are for the main window, not for the browser.
    m_view.setAcceptDrops(false);
    connect(&m_view, &QWebEngineView::loadFinished, this, &MapPage::OnLoadFinished);
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
    m_loaded = ok;
    if (QWidget* proxy = m_view.focusProxy())
        proxy->setAcceptDrops(false);
    if (!ok) {
        LogMapPage("map page did not load");
        emit Loaded(false);
        return;
    }
    m_view.page()->runJavaScript(QStringLiteral("typeof L"), [](const QVariant& type) {
        if (type.toString() != "object")
            LogMapPage("Leaflet missing: the map stays blank");
    });
    for (const QString* call : {&m_tilesCall, &m_trackCall, &m_positionCall})
        if (!call->isEmpty())
            m_view.page()->runJavaScript(*call);
    emit Loaded(true);
}

void MapPage::Remember(QString& slot, const QString& function, const QString& arguments)
{
    slot = QStringLiteral("if (typeof %1 === 'function') %1(%2);").arg(function, arguments);
    if (m_loaded)
        m_view.page()->runJavaScript(slot);
}

void MapPage::SetTiles(const QString& urlTemplate, const QString& attribution)
{
    Remember(m_tilesCall, "setTiles", ScriptString(urlTemplate) + ", " + ScriptString(attribution));
}

void MapPage::SetOffline(const QString& note)
{
    Remember(m_tilesCall, "setOffline", ScriptString(note));
}

void MapPage::SetTrack(const std::vector<GpsSample>& samples)
{
    QString points = QStringLiteral("[");
    for (const GpsSample& sample : samples) {
        if (points.size() > 1)
            points += ',';
        points += HasPosition(sample)
                      ? QStringLiteral("[%1,%2]").arg(ScriptNumber(sample.latitude), ScriptNumber(sample.longitude))
                      : QStringLiteral("null");
    }
    points += ']';
    Remember(m_trackCall, "setTrack", points);
    // A new track hides the marker on the page; the next position shows it again.
    m_positionCall.clear();
}

void MapPage::SetPosition(const GpsSample& sample)
{
    if (HasPosition(sample))
        Remember(m_positionCall, "positionChange", ScriptNumber(sample.latitude) + ", " + ScriptNumber(sample.longitude));
    else
        ClearPosition();
}

void MapPage::ClearPosition()
{
    Remember(m_positionCall, "clearPosition", QString());
}

void MapPage::Evaluate(const QString& script, const std::function<void(const QVariant&)>& done)
{
    if (!m_loaded) {
        done(QVariant());
        return;
    }
    m_view.page()->runJavaScript(script, done);
}
