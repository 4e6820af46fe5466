#include "ui/map/ConnectivityCheck.h"

#include "infra/Version.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace {

// Asking the tile server itself tells whether the map can be drawn, which is all the pane needs.
constexpr const char* kDefaultUrl = "https://tile.openstreetmap.org/";

}  // namespace

ConnectivityCheck::ConnectivityCheck(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
}

QString ConnectivityCheck::Url()
{
    const QString configured = qEnvironmentVariable("TESSARO_CONNECTIVITY_URL");
    return configured.isEmpty() ? QString::fromLatin1(kDefaultUrl) : configured;
}

QString ConnectivityCheck::UserAgent()
{
    return QStringLiteral("TessaroViewer/%1.%2").arg(kTessaroVersion, kTessaroBuild);
}

void ConnectivityCheck::Start()
{
    if (m_reply)
        return;
    QNetworkRequest request{QUrl(Url())};
    request.setTransferTimeout(kTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    m_reply = m_network->head(request);
    connect(m_reply, &QNetworkReply::finished, this, &ConnectivityCheck::OnReplyFinished);
}

void ConnectivityCheck::OnReplyFinished()
{
    QNetworkReply* reply = std::exchange(m_reply, nullptr);
    // Any HTTP answer, even an error status, proves the server is reachable.
    const bool connected = reply->error() == QNetworkReply::NoError ||
                           reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    reply->deleteLater();
    emit Finished(connected);
}
