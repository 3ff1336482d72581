#pragma once

#include "filehandle.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace webserver {

// The parts of a GET or HEAD request that decide the answer. Paths and queries stay
// percent-encoded exactly as sent.
struct FileRequest {
    QByteArray encodedPath;
    QByteArray encodedQuery; // without the '?'
    QByteArray ifModifiedSince;
    QByteArray range;
    QByteArray ifRange;
};

// What to answer. A file's bytes are not held here: the open file and fileOffset name the slice
// the engine sends straight from disk, so a reply costs the same memory whatever the file's size.
struct Reply {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    FileHandle file;
    qint64 fileOffset = 0;
    qint64 contentLength = 0;

    bool sendsFile() const { return file.isOpen(); }
};

// Decides the answer to a GET or HEAD for a path below canonicalRoot. Safe to call from
// several threads at once.
Reply buildReply(const QString& canonicalRoot, const FileRequest& request);

// A short Hungarian HTML page for an error status.
Reply errorReply(int status, const QString& message);

} // namespace webserver
