#include "staticfileserver.h"

#include "connectionwatchdog.h"
#include "replybuilder.h"
#include "requestlimits.h"

#include <QThread>

#include <microhttpd.h>

#include <csignal>
#include <cstring>

#ifdef Q_OS_WIN
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

namespace webserver {

namespace {

constexpr int kMaxEngineThreads = 4;
constexpr qsizetype kMaxLoggedMethod = 16;
constexpr qsizetype kMaxLoggedPath = 300;

// The path as a person reads it in the log; control characters would garble the line and a
// hostile 8 KB address must not flood it.
QString displayPath(const QByteArray& encodedPath) {
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(encodedPath));
    for (QChar& c : path) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    if (path.size() > kMaxLoggedPath)
        path = path.left(kMaxLoggedPath) + QStringLiteral("…");
    return path.isEmpty() ? QStringLiteral("/") : path;
}

QString displayMethod(const char* method) {
    QString name = QString::fromLatin1(method).left(kMaxLoggedMethod);
    for (QChar& c : name) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7e)
            c = QLatin1Char('?');
    }
    return name;
}

QByteArray headerValue(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value ? QByteArray(value) : QByteArray();
}

// The query as sent, rebuilt from the engine's argument list (which keeps it escaped).
MHD_Result appendArgument(void* cls, MHD_ValueKind, const char* key, const char* value) {
    auto* query = static_cast<QByteArray*>(cls);
    if (!query->isEmpty())
        *query += '&';
    *query += key;
    if (value) {
        *query += '=';
        *query += value;
    }
    return MHD_YES;
}

struct HeadSize {
    qsizetype longestLine = 0;
};

MHD_Result measureHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
    auto* size = static_cast<HeadSize*>(cls);
    const qsizetype line =
        qsizetype(std::strlen(key)) + (value ? qsizetype(std::strlen(value)) : 0) + 2;
    size->longestLine = qMax(size->longestLine, line);
    return MHD_YES;
}

// Paths reach the reply builder exactly as sent; it decodes them once itself.
size_t keepEscaped(void*, MHD_Connection*, char* text) {
    return std::strlen(text);
}

QHostAddress clientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    const QHostAddress address(info->client_addr);
    // On the dual-stack listener IPv4 clients come as "::ffff:a.b.c.d"; the log shows a.b.c.d.
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4) : address;
}

ConnectionWatchdog::Watched* watchedOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<ConnectionWatchdog::Watched*>(info->socket_context) : nullptr;
}

} // namespace

struct StaticFileServer::Engine {
    static MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url,
                                const char* method, const char* version, const char* uploadData,
                                size_t* uploadDataSize, void** requestContext);
    static void onConnection(void* cls, MHD_Connection* connection, void** socketContext,
                             MHD_ConnectionNotificationCode code);
    static void onCompleted(void* cls, MHD_Connection* connection, void** requestContext,
                            MHD_RequestTerminationCode code);
    static MHD_Result send(MHD_Connection* connection, Reply& reply, bool closeAfter);
};

MHD_Result StaticFileServer::Engine::send(MHD_Connection* connection, Reply& reply,
                                          bool closeAfter) {
    MHD_Response* response = nullptr;
    if (reply.sendsFile()) {
        // The engine closes the descriptor with the response.
        response = MHD_create_response_from_fd_at_offset64(
            static_cast<uint64_t>(reply.contentLength), reply.file.descriptor(),
            static_cast<uint64_t>(reply.fileOffset));
        if (response)
            reply.file.release();
    } else {
        response = MHD_create_response_from_buffer(static_cast<size_t>(reply.body.size()),
                                                   const_cast<char*>(reply.body.constData()),
                                                   MHD_RESPMEM_MUST_COPY);
    }
    if (!response)
        return MHD_NO; // out of memory: the engine drops the connection
    MHD_add_response_header(response, "Cache-Control", "no-cache");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : reply.headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    if (closeAfter)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result StaticFileServer::Engine::onRequest(void* cls, MHD_Connection* connection,
                                               const char* url, const char* method,
                                               const char* version, const char*,
                                               size_t* uploadDataSize, void** requestContext) {
    auto* server = static_cast<StaticFileServer*>(cls);
    static int answerOnNextCall = 0;
    const bool isGet = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
    const bool isHead = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;

    FileRequest request;
    request.encodedPath = url;
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, appendArgument,
                              &request.encodedQuery);

    Reply reply;
    bool closeAfter = true;
    if (*requestContext == nullptr) {
        // The head is in. Whatever is refused is answered now: the engine then drops the
        // connection and reads nothing more of a body.
        if (ConnectionWatchdog::Watched* watched = watchedOf(connection))
            ConnectionWatchdog::clearDeadline(watched);
        HeadSize head;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, measureHeader, &head);
        const qsizetype requestLine = qsizetype(std::strlen(method) + std::strlen(version)) +
                                      request.encodedPath.size() + request.encodedQuery.size() + 3;
        const MHD_ConnectionInfo* headInfo =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
        const qsizetype headSize = headInfo ? qsizetype(headInfo->header_size) : 0;

        if (requestLine > limits::kMaxLineBytes) {
            reply = errorReply(414, QStringLiteral("A kért cím túl hosszú."));
        } else if (head.longestLine > limits::kMaxLineBytes || headSize > limits::kMaxHeadBytes) {
            reply = errorReply(431, QStringLiteral("A kérés fejlécei túl hosszúak."));
        } else if (!server->m_hosts.accepts(headerValue(connection, MHD_HTTP_HEADER_HOST))) {
            // A page from elsewhere whose name was pointed at this computer (DNS rebinding).
            reply = errorReply(421, QStringLiteral("Ez a szerver csak a saját címén érhető el."));
        } else if (!isGet && !isHead) {
            reply =
                errorReply(405, QStringLiteral("Ez a szerver csak GET és HEAD kéréseket fogad."));
            reply.headers.emplaceBack("Allow", "GET, HEAD");
        } else if (!headerValue(connection, MHD_HTTP_HEADER_TRANSFER_ENCODING).isEmpty() ||
                   headerValue(connection, MHD_HTTP_HEADER_CONTENT_LENGTH).toLongLong() != 0) {
            reply = errorReply(413, QStringLiteral("A GET és HEAD kérésnek nem lehet törzse."));
        } else {
            // Answered on the next call, once the engine knows the request is complete, so the
            // connection can stay open for the next one.
            *requestContext = &answerOnNextCall;
            return MHD_YES;
        }
    } else {
        if (*uploadDataSize != 0) { // cannot happen: a request with a body was refused above
            *uploadDataSize = 0;
            return MHD_YES;
        }
        request.ifModifiedSince = headerValue(connection, MHD_HTTP_HEADER_IF_MODIFIED_SINCE);
        request.range = headerValue(connection, MHD_HTTP_HEADER_RANGE);
        request.ifRange = headerValue(connection, MHD_HTTP_HEADER_IF_RANGE);
        reply = buildReply(server->m_root, request);
        closeAfter = false; // the engine still honours a client's "Connection: close"
    }

    const MHD_Result queued = send(connection, reply, closeAfter);
    if (reply.status == 503)
        server->queueLogEntry({}, true);
    if (!server->m_logging.load(std::memory_order_relaxed))
        return queued;

    RequestLogEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.method = displayMethod(method);
    entry.path = displayPath(request.encodedPath.left(limits::kMaxLineBytes));
    entry.status = reply.status;
    entry.bytes = (isHead || reply.status == 304) ? 0 : reply.contentLength;
    entry.client = clientAddress(connection).toString();
    server->queueLogEntry(std::move(entry), false);
    return queued;
}

void StaticFileServer::Engine::onConnection(void* cls, MHD_Connection* connection,
                                            void** socketContext,
                                            MHD_ConnectionNotificationCode code) {
    auto* server = static_cast<StaticFileServer*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info)
            *socketContext = server->m_watchdog->watch(static_cast<qintptr>(info->connect_fd),
                                                       server->m_headerTimeoutSeconds);
    } else if (*socketContext) {
        server->m_watchdog->forget(static_cast<ConnectionWatchdog::Watched*>(*socketContext));
        *socketContext = nullptr;
    }
}

void StaticFileServer::Engine::onCompleted(void* cls, MHD_Connection* connection, void**,
                                           MHD_RequestTerminationCode) {
    // The next request's head must arrive within the idle time, however it trickles in.
    if (ConnectionWatchdog::Watched* watched = watchedOf(connection))
        ConnectionWatchdog::setDeadline(watched,
                                        static_cast<StaticFileServer*>(cls)->m_idleTimeoutSeconds);
}

StaticFileServer::StaticFileServer(const QString& canonicalRoot, const HostCheck& hosts,
                                   QObject* parent)
    : QObject(parent), m_root(canonicalRoot), m_hosts(hosts),
      m_headerTimeoutSeconds(limits::kHeaderTimeoutSeconds),
      m_idleTimeoutSeconds(limits::kIdleTimeoutSeconds) {}

void StaticFileServer::setTimeouts(int headerSeconds, int idleSeconds) {
    m_headerTimeoutSeconds = qMax(1, headerSeconds);
    m_idleTimeoutSeconds = qMax(1, idleSeconds);
}

StaticFileServer::~StaticFileServer() {
    // Closes the listener and every connection, and waits for the engine's threads.
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    m_watchdog.reset();
}

bool StaticFileServer::listen(const QHostAddress& address, quint16 port) {
    if (m_daemon)
        return false;
#ifndef Q_OS_WIN
    // A client hanging up mid-file must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    m_watchdog = std::make_unique<ConnectionWatchdog>();

    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_addr = in6addr_any;
    // poll() rather than epoll: with a few hundred connections at most it costs the same, and the
    // epoll variant of this engine version resumed accepting only seconds after a flood of
    // connections at the cap went away.
    unsigned flags = MHD_USE_POLL_INTERNAL_THREAD;
    const sockaddr* bindAddress = reinterpret_cast<const sockaddr*>(&v4);
    if (address == QHostAddress::Any) {
        flags |= MHD_USE_DUAL_STACK;
        bindAddress = reinterpret_cast<const sockaddr*>(&v6);
    } else {
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
    }

    const auto start = [&](unsigned withFlags, const sockaddr* at) {
        const unsigned threads =
            static_cast<unsigned>(qBound(1, QThread::idealThreadCount(), kMaxEngineThreads));
        return MHD_start_daemon(
            withFlags, port, nullptr, nullptr, &Engine::onRequest, this, MHD_OPTION_SOCK_ADDR, at,
            MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_LIMIT,
            limits::kMaxConnections, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits::kConnectionMemory,
            MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(m_idleTimeoutSeconds),
            MHD_OPTION_UNESCAPE_CALLBACK, &keepEscaped, nullptr, MHD_OPTION_NOTIFY_CONNECTION,
            &Engine::onConnection, this, MHD_OPTION_NOTIFY_COMPLETED, &Engine::onCompleted, this,
            MHD_OPTION_END);
    };
    m_daemon = start(flags, bindAddress);
    if (!m_daemon && (flags & MHD_USE_DUAL_STACK)) {
        // No IPv6 on this machine: every IPv4 interface then.
        v4.sin_addr.s_addr = htonl(INADDR_ANY);
        m_daemon = start(flags & ~unsigned(MHD_USE_DUAL_STACK), reinterpret_cast<sockaddr*>(&v4));
    }
    if (!m_daemon) {
        m_watchdog.reset();
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info ? info->port : port;
    return true;
}

void StaticFileServer::queueLogEntry(RequestLogEntry entry, bool folderMissing) {
    bool schedule = false;
    {
        const std::lock_guard lock(m_logMutex);
        // Beyond the cap (a flood the window cannot keep up with) entries are dropped.
        if (!folderMissing && m_pendingLog.size() < limits::kMaxPendingLogEntries)
            m_pendingLog.append(std::move(entry));
        m_folderMissing = m_folderMissing || folderMissing;
        schedule = !m_deliveryScheduled;
        m_deliveryScheduled = true;
    }
    if (schedule)
        QMetaObject::invokeMethod(this, &StaticFileServer::deliverLogEntries, Qt::QueuedConnection);
}

void StaticFileServer::deliverLogEntries() {
    QList<RequestLogEntry> entries;
    bool folderMissing = false;
    {
        const std::lock_guard lock(m_logMutex);
        entries.swap(m_pendingLog);
        folderMissing = m_folderMissing;
        m_folderMissing = false;
        m_deliveryScheduled = false;
    }
    for (const RequestLogEntry& entry : std::as_const(entries))
        emit requestServed(entry);
    if (folderMissing)
        emit servedFolderMissing();
}

} // namespace webserver
