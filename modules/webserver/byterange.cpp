#include "byterange.h"

namespace webserver {

namespace {

bool parseNumber(const QByteArray& text, qint64* number) {
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    bool ok = false;
    *number = text.toLongLong(&ok);
    return ok;
}

} // namespace

ByteRange parseRangeHeader(const QByteArray& value, qint64 fileSize) {
    ByteRange range;
    const QByteArray trimmed = value.trimmed();
    if (!trimmed.startsWith("bytes="))
        return range;
    const QByteArray rangeSet = trimmed.mid(6).trimmed();
    if (rangeSet.contains(','))
        return range;
    const qsizetype dash = rangeSet.indexOf('-');
    if (dash < 0)
        return range;
    const QByteArray firstText = rangeSet.left(dash).trimmed();
    const QByteArray lastText = rangeSet.mid(dash + 1).trimmed();

    qint64 first = 0;
    qint64 last = 0;
    if (firstText.isEmpty()) {
        qint64 suffixLength = 0;
        if (!parseNumber(lastText, &suffixLength))
            return range;
        if (suffixLength == 0 || fileSize == 0) {
            range.kind = ByteRange::Kind::Unsatisfiable;
            return range;
        }
        first = qMax<qint64>(0, fileSize - suffixLength);
        last = fileSize - 1;
    } else {
        if (!parseNumber(firstText, &first))
            return range;
        if (lastText.isEmpty()) {
            last = fileSize - 1;
        } else if (!parseNumber(lastText, &last) || last < first) {
            return range;
        }
        if (first >= fileSize) {
            range.kind = ByteRange::Kind::Unsatisfiable;
            return range;
        }
        last = qMin(last, fileSize - 1);
    }
    range.kind = ByteRange::Kind::Satisfiable;
    range.first = first;
    range.length = last - first + 1;
    return range;
}

} // namespace webserver
