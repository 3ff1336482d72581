#pragma once

#include "requestlogentry.h"
#include "staticfileserver.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace webserver {

// What came of an attempt to start serving; message is Hungarian and meant for the user.
struct StartResult {
    bool ok = false;
    quint16 port = 0;
    quint16 suggestedPort = 0; // a free port to offer when the asked one was busy
    QString message;
};

// One running server: a folder, an address and a port. Start and stop as often as needed.
class FolderServer : public QObject {
    Q_OBJECT

public:
    explicit FolderServer(QObject* parent = nullptr);
    ~FolderServer() override;

    // port 0 picks any free port. With allInterfaces false only this computer can connect.
    StartResult start(const QString& folder, quint16 port, bool allInterfaces);
    void stop();

    bool isRunning() const { return m_server != nullptr; }
    quint16 port() const { return m_port; }
    QString folder() const;
    // The address to open on this computer, e.g. "http://127.0.0.1:8080/".
    QString localUrl() const;
    // Addresses other machines can use, when serving to the local network.
    QStringList networkUrls() const;

    // First port from `from` on (at most `attempts` tried) that can be listened on, or 0.
    static quint16 findFreePort(const QHostAddress& address, quint16 from, int attempts = 100);

signals:
    void requestServed(const webserver::RequestLogEntry& entry);
    void servedFolderMissing();
    void runningChanged(bool running);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    bool logWanted() const;

    QPointer<StaticFileServer> m_server;
    quint16 m_port = 0;
    bool m_allInterfaces = false;
};

} // namespace webserver
