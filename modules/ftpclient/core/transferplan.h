#pragma once

#include "curlsession.h"
#include "opresult.h"
#include "remoteentry.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace ftp {

// One step of a folder transfer: a folder to create or a file to copy.
struct PlannedItem {
    QString localPath;
    QString remotePath;
    bool isDirectory = false;
    qint64 size = 0;
};

using TransferPlan = QList<PlannedItem>;

QString joinRemote(const QString& folder, const QString& name);
qint64 totalBytes(const TransferPlan& plan);

// Folders come before what they hold, so creating them in order always works.
TransferPlan planUpload(const QStringList& localPaths, const QString& remoteFolder);
OpResult planDownload(CurlSession& session, const RemoteEntries& entries,
                      const QString& remoteFolder, const QString& localFolder, TransferPlan* plan);
// Empties folders on the server before removing them; stops at the first failure.
OpResult removeRemote(CurlSession& session, const RemoteEntry& entry, const QString& remoteFolder);

} // namespace ftp
