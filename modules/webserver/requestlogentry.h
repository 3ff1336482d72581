#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace webserver {

// One answered request, as shown in the window's log.
struct RequestLogEntry {
    QDateTime time;
    QString method;
    QString path;
    int status = 0;
    qint64 bytes = 0;
    QString client;

    QString toLogLine() const;
};

} // namespace webserver

Q_DECLARE_METATYPE(webserver::RequestLogEntry)
