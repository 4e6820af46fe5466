#pragma once

// Whether the map's tile service can be reached: one HEAD request to a configured address, answered
// asynchronously so that an offline machine never blocks a thread for the seconds a lookup may take.
// Lives on the user-interface thread.

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

class ConnectivityCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 3000;

    explicit ConnectivityCheck(QObject* parent = nullptr);

    // The address asked: TESSARO_CONNECTIVITY_URL when set, else the tile service itself.
    static QString Url();
    // The User-Agent of every request the map makes; the tile service asks programs to name themselves.
    static QString UserAgent();

    // Starts a check unless one is already in flight; Finished reports the answer either way.
    void Start();
    bool InFlight() const { return m_reply != nullptr; }

signals:
    void Finished(bool connected);

private:
    void OnReplyFinished();

    QNetworkAccessManager* m_network;
    QNetworkReply* m_reply = nullptr;
};
