#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace webserver {

// One "Range: bytes=..." request resolved against a file size.
struct ByteRange {
    enum class Kind { None, Satisfiable, Unsatisfiable };
    Kind kind = Kind::None;
    qint64 first = 0;
    qint64 length = 0;
};

// Single ranges only: a list of several ranges, other units or malformed values are ignored
// (Kind::None: the whole file is sent), as HTTP allows a server to do.
ByteRange parseRangeHeader(const QByteArray& value, qint64 fileSize);

} // namespace webserver
