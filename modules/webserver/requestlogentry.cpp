#include "requestlogentry.h"

namespace webserver {

QString RequestLogEntry::toLogLine() const {
    return QStringLiteral("%1  %2  %3 %4  %5  %6 bájt")
        .arg(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), client, method, path)
        .arg(status)
        .arg(bytes);
}

} // namespace webserver
