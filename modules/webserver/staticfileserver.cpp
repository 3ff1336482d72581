#include "staticfileserver.h"

#include "byterange.h"
#include "contenttype.h"
#include "directorylisting.h"
#include "filestreamer.h"
#include "httpdate.h"
#include "safepath.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QUrl>

namespace webserver {

namespace {

constexpr qint64 kCharsetSampleSize = 64 * 1024;

QString methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return QStringLiteral("GET");
    case QHttpServerRequest::Method::Head:
        return QStringLiteral("HEAD");
    case QHttpServerRequest::Method::Post:
        return QStringLiteral("POST");
    case QHttpServerRequest::Method::Put:
        return QStringLiteral("PUT");
    case QHttpServerRequest::Method::Delete:
        return QStringLiteral("DELETE");
    case QHttpServerRequest::Method::Options:
        return QStringLiteral("OPTIONS");
    case QHttpServerRequest::Method::Patch:
        return QStringLiteral("PATCH");
    case QHttpServerRequest::Method::Connect:
        return QStringLiteral("CONNECT");
    case QHttpServerRequest::Method::Trace:
        return QStringLiteral("TRACE");
    default:
        return QStringLiteral("?");
    }
}

QByteArray encodedPathOf(const QHttpServerRequest& request) {
    return request.url().path(QUrl::FullyEncoded).toUtf8();
}

// The path as a person reads it in the log; control characters would garble the line.
QString displayPath(const QHttpServerRequest& request) {
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(encodedPathOf(request)));
    for (QChar& c : path) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    constexpr qsizetype kMaxShown = 300; // a hostile 100 KB address must not flood the log
    if (path.size() > kMaxShown)
        path = path.left(kMaxShown) + QStringLiteral("…");
    return path.isEmpty() ? QStringLiteral("/") : path;
}

QByteArray encodeUrlPath(const QString& path) {
    return QUrl::toPercentEncoding(path, "/");
}

} // namespace

StaticFileServer::StaticFileServer(const QString& canonicalRoot, QObject* parent)
    : QAbstractHttpServer(parent), m_root(canonicalRoot) {}

bool StaticFileServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    Reply reply = buildReply(request);
    send(reply, request, socket);
    return true;
}

void StaticFileServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    // handleRequest answers everything; this only runs if that ever changes.
    Reply reply = errorReply(Status::NotFound, QStringLiteral("A kért oldal nem található."));
    send(reply, request, socket);
}

StaticFileServer::Reply StaticFileServer::buildReply(const QHttpServerRequest& request) const {
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        Reply reply = errorReply(Status::MethodNotAllowed,
                                 QStringLiteral("Ez a szerver csak GET és HEAD kéréseket fogad."));
        reply.headers.emplaceBack("Allow", "GET, HEAD");
        return reply;
    }

    const ResolvedPath resolved = resolveRequestPath(m_root, encodedPathOf(request));
    switch (resolved.kind) {
    case ResolvedPath::Kind::RootMissing:
        return errorReply(Status::ServiceUnavailable,
                          QStringLiteral("A kiszolgált mappa már nem érhető el."));
    case ResolvedPath::Kind::Forbidden:
        return errorReply(Status::Forbidden, QStringLiteral("Ehhez a címhez nincs hozzáférés."));
    case ResolvedPath::Kind::NotFound:
        return errorReply(Status::NotFound, QStringLiteral("A kért oldal nem található."));
    case ResolvedPath::Kind::File:
        return fileReply(resolved.filePath, request);
    case ResolvedPath::Kind::Directory:
        break;
    }

    // Relative links in a folder's page only work when its address ends in '/'.
    if (!resolved.hadTrailingSlash && resolved.cleanUrlPath != QLatin1String("/"))
        return redirectReply(resolved.cleanUrlPath,
                             request.url().query(QUrl::FullyEncoded).toUtf8());

    const QString folderUrl = resolved.cleanUrlPath.endsWith(QLatin1Char('/'))
                                  ? resolved.cleanUrlPath
                                  : resolved.cleanUrlPath + QLatin1Char('/');
    for (const QString& indexName : {QStringLiteral("index.html"), QStringLiteral("index.htm")}) {
        // Resolved again, so an index that is a link leading out is refused like any other.
        const ResolvedPath index = resolveRequestPath(m_root, encodeUrlPath(folderUrl + indexName));
        if (index.kind == ResolvedPath::Kind::File)
            return fileReply(index.filePath, request);
    }

    Reply reply;
    reply.body = directoryListingHtml(m_root, resolved.filePath, folderUrl);
    reply.contentLength = reply.body.size();
    reply.headers.emplaceBack("Content-Type", "text/html; charset=utf-8");
    return reply;
}

StaticFileServer::Reply StaticFileServer::fileReply(const QString& filePath,
                                                    const QHttpServerRequest& request) const {
    const QFileInfo info(filePath);
    QDateTime modified = info.lastModified().toUTC();
    modified.setTime(
        QTime(modified.time().hour(), modified.time().minute(), modified.time().second()));
    const QByteArray lastModified = formatHttpDate(modified);

    const QDateTime ifModifiedSince = parseHttpDate(request.value("If-Modified-Since"));
    if (ifModifiedSince.isValid() && modified <= ifModifiedSince) {
        Reply reply;
        reply.status = Status::NotModified;
        reply.headers.emplaceBack("Last-Modified", lastModified);
        return reply;
    }

    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return errorReply(Status::Forbidden, QStringLiteral("A fájl nem olvasható."));
    const qint64 size = file.size();
    const bool inMemory = size <= kInMemoryLimit;
    QByteArray content;
    if (inMemory) {
        content = file.readAll();
        if (content.size() != size)
            return errorReply(Status::InternalServerError,
                              QStringLiteral("A fájl olvasása közben hiba történt."));
    }

    Reply reply;
    QByteArray contentType;
    if (needsCharsetDetection(filePath)) {
        const QByteArray sample = inMemory ? content : file.peek(kCharsetSampleSize);
        contentType = contentTypeHeader(filePath, sample, inMemory);
    } else {
        contentType = mimeTypeForFileName(filePath);
    }
    reply.headers.emplaceBack("Content-Type", contentType);
    reply.headers.emplaceBack("Last-Modified", lastModified);
    reply.headers.emplaceBack("Accept-Ranges", "bytes");

    ByteRange range;
    const QByteArray rangeHeader = request.value("Range");
    const QByteArray ifRange = request.value("If-Range");
    if (!rangeHeader.isEmpty() && (ifRange.isEmpty() || ifRange.trimmed() == lastModified))
        range = parseRangeHeader(rangeHeader, size);

    qint64 first = 0;
    qint64 length = size;
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        Reply refused = errorReply(Status::RequestRangeNotSatisfiable,
                                   QStringLiteral("A kért tartomány a fájlon kívül esik."));
        refused.headers.emplaceBack("Content-Range", "bytes */" + QByteArray::number(size));
        return refused;
    }
    if (range.kind == ByteRange::Kind::Satisfiable) {
        first = range.first;
        length = range.length;
        reply.status = Status::PartialContent;
        reply.headers.emplaceBack("Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                                       QByteArray::number(first + length - 1) +
                                                       '/' + QByteArray::number(size));
    }

    reply.contentLength = length;
    if (inMemory) {
        reply.body = (first == 0 && length == size) ? content : content.mid(first, length);
    } else {
        reply.streamedFile = filePath;
        reply.streamOffset = first;
    }
    return reply;
}

StaticFileServer::Reply StaticFileServer::errorReply(Status status, const QString& message) {
    Reply reply;
    reply.status = status;
    const QString code = QString::number(static_cast<int>(status));
    reply.body =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"hu\">\n<head>\n<meta charset=\"utf-8\">"
                       "\n<title>%1</title>\n</head>\n<body>\n<h1>%1</h1>\n<p>%2</p>\n"
                       "</body>\n</html>\n")
            .arg(code, message.toHtmlEscaped())
            .toUtf8();
    reply.contentLength = reply.body.size();
    reply.headers.emplaceBack("Content-Type", "text/html; charset=utf-8");
    return reply;
}

StaticFileServer::Reply StaticFileServer::redirectReply(const QString& cleanUrlPath,
                                                        const QByteArray& query) {
    // Built from the accepted segments, so "//host" can never become an off-site address.
    QByteArray location = encodeUrlPath(cleanUrlPath + QLatin1Char('/'));
    if (!query.isEmpty())
        location += '?' + query;
    Reply reply =
        errorReply(Status::MovedPermanently, QStringLiteral("A mappa címe „/” jellel végződik."));
    reply.headers.emplaceBack("Location", location);
    return reply;
}

void StaticFileServer::send(Reply& reply, const QHttpServerRequest& request, QTcpSocket* socket) {
    const bool headOnly = request.method() == QHttpServerRequest::Method::Head;
    const bool hasBody = reply.status != Status::NotModified;
    // Keep-alive is the default; a client asking to close gets its connection closed once the
    // reply has gone out.
    const bool closeAfter = request.value("Connection").toLower().contains("close");

    auto responder = makeResponder(request, socket);
    responder.writeStatusLine(reply.status);
    responder.writeHeader("Date", formatHttpDate(QDateTime::currentDateTimeUtc()));
    responder.writeHeader("Cache-Control", "no-cache");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : std::as_const(reply.headers))
        responder.writeHeader(name, value);
    if (hasBody)
        responder.writeHeader("Content-Length", QByteArray::number(reply.contentLength));
    if (closeAfter)
        responder.writeHeader("Connection", "close");

    qint64 sent = 0;
    if (!hasBody || headOnly) {
        responder.writeBody("", 0); // ends the header block
    } else if (reply.streamedFile.isEmpty()) {
        responder.writeBody(reply.body);
        sent = reply.body.size();
    } else {
        responder.writeBody("", 0);
        FileStreamer::start(reply.streamedFile, reply.streamOffset, reply.contentLength, socket,
                            closeAfter);
        sent = reply.contentLength;
    }
    if (closeAfter && reply.streamedFile.isEmpty())
        socket->disconnectFromHost();

    if (reply.status == Status::ServiceUnavailable)
        emit servedFolderMissing();
    RequestLogEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.method = methodName(request.method());
    entry.path = displayPath(request);
    entry.status = static_cast<int>(reply.status);
    entry.bytes = sent;
    entry.client = request.remoteAddress().toString();
    emit requestServed(entry);
}

} // namespace webserver
