#include "httpdate.h"

#include <QLocale>
#include <QTimeZone>

namespace webserver {

namespace {
const QString kFormat = QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'");
}

QByteArray formatHttpDate(const QDateTime& time) {
    return QLocale::c().toString(time.toUTC(), kFormat).toLatin1();
}

QDateTime parseHttpDate(const QByteArray& text) {
    QDateTime parsed = QLocale::c().toDateTime(QString::fromLatin1(text.trimmed()), kFormat);
    if (!parsed.isValid())
        return {};
    parsed.setTimeZone(QTimeZone::utc());
    return parsed;
}

} // namespace webserver
