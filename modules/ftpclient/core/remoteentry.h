#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

namespace ftp {

struct RemoteEntry {
    QString name;
    bool isDirectory = false;
    bool isLink = false;
    qint64 size = 0;
    QString modified; // as the server printed it; formats vary too much to parse reliably
};

using RemoteEntries = QList<RemoteEntry>;

} // namespace ftp

Q_DECLARE_METATYPE(ftp::RemoteEntry)
Q_DECLARE_METATYPE(ftp::RemoteEntries)
