#pragma once

#include "requestlogentry.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QList>
#include <QPair>

class QHttpServerRequest;
class QTcpSocket;

namespace webserver {

// Serves the files below one folder over GET and HEAD. QHttpServerRequest does the HTTP
// parsing; this class decides what to answer and writes the reply through the responder,
// which gives full control over status, headers and body (needed for HEAD, 304 and ranges).
class StaticFileServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    explicit StaticFileServer(const QString& canonicalRoot, QObject* parent = nullptr);

    QString root() const { return m_root; }

    // Files up to this size are answered from memory; larger ones are streamed from disk.
    static constexpr qint64 kInMemoryLimit = 1024 * 1024;

signals:
    void requestServed(const webserver::RequestLogEntry& entry);
    void servedFolderMissing();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    using Status = QHttpServerResponder::StatusCode;

    struct Reply {
        Status status = Status::Ok;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QString streamedFile; // set instead of body for large files
        qint64 streamOffset = 0;
        qint64 contentLength = 0;
    };

    Reply buildReply(const QHttpServerRequest& request) const;
    Reply fileReply(const QString& filePath, const QHttpServerRequest& request) const;
    static Reply errorReply(Status status, const QString& message);
    static Reply redirectReply(const QString& cleanUrlPath, const QByteArray& query);
    void send(Reply& reply, const QHttpServerRequest& request, QTcpSocket* socket);

    QString m_root;
};

} // namespace webserver
