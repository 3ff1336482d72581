#pragma once

#include <QByteArray>
#include <QString>

namespace webserver {

// MIME type chosen from the file name alone; the content is never sniffed for the type.
QByteArray mimeTypeForFileName(const QString& fileName);

// True for the text types whose charset is worked out from the bytes (HTML, text, CSS, JS).
bool needsCharsetDetection(const QString& fileName);

// The charset to announce for a text file's leading bytes: "utf-8" for a BOM or valid UTF-8,
// "windows-1250" for anything else, and empty when the file declares its own (HTML meta or
// CSS @charset), so the browser follows the declaration.
QByteArray detectCharset(const QByteArray& head, bool isHtml, bool headIsWholeFile);

// Strict UTF-8 check; a sequence cut off at the very end counts as valid when allowTruncatedEnd.
bool isValidUtf8(const QByteArray& bytes, bool allowTruncatedEnd);

// Content-Type header value for a file, charset included where one applies.
QByteArray contentTypeHeader(const QString& fileName, const QByteArray& head, bool headIsWholeFile);

} // namespace webserver
