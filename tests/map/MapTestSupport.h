#pragma once

// What the map pane's tests share: a loopback web server that stands in for the tile service, a session
// with the main window's part in it, and reading the page's answers.

#include "ui/map/GPSMapControl.h"
#include "mapbrowser/MapBrowser.h"

#include <QBuffer>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QVariant>

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

// Answers every request on 127.0.0.1 with 200: HEAD without a body, GET with a plain tile.
class LoopbackTileServer : public QObject {
public:
    static inline const QColor kTileColour{170, 211, 223};

    LoopbackTileServer()
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(kTileColour);
        QBuffer buffer(&m_tile);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
        });
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    QString TilesTemplate() const { return Url() + "{z}/{x}/{y}.png"; }
    int HeadRequests() const { return m_heads; }
    int TileRequests() const { return m_tiles; }

private:
    void Answer(QTcpSocket* socket)
    {
        QByteArray& request = m_partial[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const bool head = request.startsWith("HEAD ");
        (head ? m_heads : m_tiles)++;
        QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\nContent-Length: " +
                           QByteArray::number(m_tile.size()) + "\r\n\r\n";
        if (!head)
            reply += m_tile;
        m_partial.remove(socket);
        socket->write(reply);
        socket->disconnectFromHost();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    QByteArray m_tile;
    QHash<QTcpSocket*, QByteArray> m_partial;
    int m_heads = 0;
    int m_tiles = 0;
};

// A loopback address where nothing listens: the check fails at once, as offline.
inline QString ClosedLoopbackUrl()
{
    return QStringLiteral("http://127.0.0.1:9/");
}

// The page's answer to a script, waiting for it on the user-interface thread.
inline QVariant Evaluate(GPSMapControl& pane, const QString& script)
{
    bool answered = false;
    QVariant answer;
    pane.Page()->Evaluate(script, [&](const QVariant& value) {
        answer = value;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, 5000))
        return {};
    return answer;
}

// Where the page's marker is, when it shows.
inline std::optional<std::pair<double, double>> MarkerPosition(GPSMapControl& pane)
{
    const QVariantList at = Evaluate(pane, "markerPosition()").toList();
    if (at.size() != 2)
        return std::nullopt;
    return std::pair{at[0].toDouble(), at[1].toDouble()};
}

// How many pixels of an image have the track's colour (the line is drawn antialiased, so near it).
inline int TrackPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 230 && c.green() > 110 && c.green() < 170 && c.blue() < 60)
                ++count;
        }
    return count;
}
