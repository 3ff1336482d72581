#pragma once

#include "hostcheck.h"
#include "requestlogentry.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>

struct MHD_Daemon;

namespace webserver {

class ConnectionWatchdog;
struct FileRequest;

// Serves the files below one folder over GET and HEAD. libmicrohttpd does the HTTP work on its
// own threads with every limit of limits:: in force (request head size, connection count,
// timeouts, one request at a time per connection, replies in order); this class decides what
// to answer and hands the request log over to the thread the object lives in.
class StaticFileServer : public QObject {
    Q_OBJECT

public:
    StaticFileServer(const QString& canonicalRoot, const HostCheck& hosts,
                     QObject* parent = nullptr);
    ~StaticFileServer() override;

    // Starts serving; false when the address and port cannot be listened on.
    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_port; }
    // Before listen(); the defaults are limits::kHeaderTimeoutSeconds and kIdleTimeoutSeconds.
    void setTimeouts(int headerSeconds, int idleSeconds);
    // requestServed is only worth its cost when somebody shows the log.
    void setLogging(bool enabled) { m_logging = enabled; }
    QString root() const { return m_root; }

    // Engine side, called from the engine's threads.
    struct Engine;

signals:
    void requestServed(const webserver::RequestLogEntry& entry);
    void servedFolderMissing();

private:
    void queueLogEntry(RequestLogEntry entry, bool folderMissing);
    void deliverLogEntries();

    const QString m_root;
    const HostCheck m_hosts;
    std::unique_ptr<ConnectionWatchdog> m_watchdog;
    MHD_Daemon* m_daemon = nullptr;
    quint16 m_port = 0;
    int m_headerTimeoutSeconds;
    int m_idleTimeoutSeconds;
    std::atomic<bool> m_logging{true};

    std::mutex m_logMutex;
    QList<RequestLogEntry> m_pendingLog;
    bool m_deliveryScheduled = false;
    bool m_folderMissing = false;
};

} // namespace webserver
