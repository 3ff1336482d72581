#include "replybuilder.h"

#include "byterange.h"
#include "contenttype.h"
#include "directorylisting.h"
#include "httpdate.h"
#include "safepath.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimeZone>
#include <QUrl>

#include <mutex>

namespace webserver {

namespace {

// Text files up to this size are read whole to work out their charset; larger ones by their
// beginning only.
constexpr qint64 kWholeFileCharsetLimit = 1024 * 1024;
constexpr qint64 kCharsetSampleSize = 64 * 1024;

// What the reply headers say about a file. Working out a text file's charset means reading it
// whole, so this is kept while the file keeps its size and time: a page asked for again and
// again is read once.
struct FileFacts {
    QByteArray contentType;
    QByteArray lastModified;
    QDateTime modified; // UTC, whole seconds as the header has them
};

class FileFactsCache {
public:
    bool find(const QString& path, qint64 size, qint64 modifiedMs, FileFacts* facts) {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.constFind(path);
        if (found == m_entries.constEnd() || found->size != size || found->modifiedMs != modifiedMs)
            return false;
        *facts = found->facts;
        return true;
    }

    void insert(const QString& path, qint64 size, qint64 modifiedMs, const FileFacts& facts) {
        const std::lock_guard lock(m_mutex);
        if (m_entries.size() >= kMaxEntries)
            m_entries.clear();
        m_entries.insert(path, {size, modifiedMs, facts});
    }

private:
    static constexpr qsizetype kMaxEntries = 512;
    struct Entry {
        qint64 size;
        qint64 modifiedMs;
        FileFacts facts;
    };
    std::mutex m_mutex;
    QHash<QString, Entry> m_entries;
};

FileFactsCache& fileFactsCache() {
    static FileFactsCache cache;
    return cache;
}

QByteArray encodeUrlPath(const QString& path) {
    return QUrl::toPercentEncoding(path, "/");
}

Reply redirectReply(const QString& cleanUrlPath, const QByteArray& query) {
    // Built from the accepted segments, so "//host" can never become an off-site address.
    QByteArray location = encodeUrlPath(cleanUrlPath + QLatin1Char('/'));
    if (!query.isEmpty())
        location += '?' + query;
    Reply reply = errorReply(301, QStringLiteral("A mappa címe „/” jellel végződik."));
    reply.headers.emplaceBack("Location", location);
    return reply;
}

Reply fileReply(const QString& filePath, const FileRequest& request) {
    FileHandle handle = FileHandle::openForReading(filePath);
    qint64 size = 0;
    qint64 modifiedMs = 0;
    if (!handle.isOpen() || !handle.status(&size, &modifiedMs))
        return errorReply(403, QStringLiteral("A fájl nem olvasható."));

    FileFacts facts;
    if (!fileFactsCache().find(filePath, size, modifiedMs, &facts)) {
        const qint64 seconds = modifiedMs / 1000 - (modifiedMs % 1000 < 0 ? 1 : 0);
        facts.modified = QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
        facts.lastModified = formatHttpDate(facts.modified);
        if (needsCharsetDetection(filePath)) {
            QFile file;
            if (!file.open(handle.descriptor(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
                return errorReply(403, QStringLiteral("A fájl nem olvasható."));
            const bool whole = size <= kWholeFileCharsetLimit;
            const QByteArray sample = file.read(whole ? size : kCharsetSampleSize);
            if (whole && sample.size() != size)
                return errorReply(500, QStringLiteral("A fájl olvasása közben hiba történt."));
            facts.contentType = contentTypeHeader(filePath, sample, whole);
        } else {
            facts.contentType = mimeTypeForFileName(filePath);
        }
        fileFactsCache().insert(filePath, size, modifiedMs, facts);
    }
    const QByteArray& lastModified = facts.lastModified;
    const QByteArray& contentType = facts.contentType;

    const QDateTime ifModifiedSince =
        request.ifModifiedSince.isEmpty() ? QDateTime() : parseHttpDate(request.ifModifiedSince);
    if (ifModifiedSince.isValid() && facts.modified <= ifModifiedSince) {
        Reply reply;
        reply.status = 304;
        reply.headers.emplaceBack("Last-Modified", lastModified);
        // The engine sends no body with a 304, and so names the length a 200 would have had
        // (a "Content-Length: 0" would tell caches the file is now empty).
        reply.contentLength = size;
        reply.file = std::move(handle);
        return reply;
    }

    Reply reply;
    reply.headers.emplaceBack("Content-Type", contentType);
    reply.headers.emplaceBack("Last-Modified", lastModified);
    reply.headers.emplaceBack("Accept-Ranges", "bytes");

    ByteRange range;
    if (!request.range.isEmpty() &&
        (request.ifRange.isEmpty() || request.ifRange.trimmed() == lastModified))
        range = parseRangeHeader(request.range, size);

    qint64 first = 0;
    qint64 length = size;
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        Reply refused = errorReply(416, QStringLiteral("A kért tartomány a fájlon kívül esik."));
        refused.headers.emplaceBack("Content-Range", "bytes */" + QByteArray::number(size));
        return refused;
    }
    if (range.kind == ByteRange::Kind::Satisfiable) {
        first = range.first;
        length = range.length;
        reply.status = 206;
        reply.headers.emplaceBack("Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                                       QByteArray::number(first + length - 1) +
                                                       '/' + QByteArray::number(size));
    }
    reply.file = std::move(handle);
    reply.fileOffset = first;
    reply.contentLength = length;
    return reply;
}

} // namespace

Reply buildReply(const QString& canonicalRoot, const FileRequest& request) {
    const ResolvedPath resolved = resolveRequestPath(canonicalRoot, request.encodedPath);
    switch (resolved.kind) {
    case ResolvedPath::Kind::RootMissing:
        return errorReply(503, QStringLiteral("A kiszolgált mappa már nem érhető el."));
    case ResolvedPath::Kind::Forbidden:
        return errorReply(403, QStringLiteral("Ehhez a címhez nincs hozzáférés."));
    case ResolvedPath::Kind::NotFound:
        return errorReply(404, QStringLiteral("A kért oldal nem található."));
    case ResolvedPath::Kind::File:
        return fileReply(resolved.filePath, request);
    case ResolvedPath::Kind::Directory:
        break;
    }

    // Relative links in a folder's page only work when its address ends in '/'.
    if (!resolved.hadTrailingSlash && resolved.cleanUrlPath != QLatin1String("/"))
        return redirectReply(resolved.cleanUrlPath, request.encodedQuery);

    const QString folderUrl = resolved.cleanUrlPath.endsWith(QLatin1Char('/'))
                                  ? resolved.cleanUrlPath
                                  : resolved.cleanUrlPath + QLatin1Char('/');
    for (const QString& indexName : {QStringLiteral("index.html"), QStringLiteral("index.htm")}) {
        // Resolved again, so an index that is a link leading out is refused like any other.
        const ResolvedPath index =
            resolveRequestPath(canonicalRoot, encodeUrlPath(folderUrl + indexName));
        if (index.kind == ResolvedPath::Kind::File)
            return fileReply(index.filePath, request);
    }

    Reply reply;
    reply.body = directoryListingHtml(canonicalRoot, resolved.filePath, folderUrl);
    reply.contentLength = reply.body.size();
    reply.headers.emplaceBack("Content-Type", "text/html; charset=utf-8");
    return reply;
}

Reply errorReply(int status, const QString& message) {
    Reply reply;
    reply.status = status;
    reply.body =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"hu\">\n<head>\n<meta charset=\"utf-8\">"
                       "\n<title>%1</title>\n</head>\n<body>\n<h1>%1</h1>\n<p>%2</p>\n"
                       "</body>\n</html>\n")
            .arg(QString::number(status), message.toHtmlEscaped())
            .toUtf8();
    reply.contentLength = reply.body.size();
    reply.headers.emplaceBack("Content-Type", "text/html; charset=utf-8");
    return reply;
}

} // namespace webserver
