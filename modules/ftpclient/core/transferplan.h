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
    // A download's length as the listing gave it, checked when the server will not say; -1
    // when the listing cannot know (a link shows its own length, not its target's).
    qint64 expectedSize = -1;
};

using TransferPlan = QList<PlannedItem>;

QString joinRemote(const QString& folder, const QString& name);
qint64 totalBytes(const TransferPlan& plan);

// Folders come before what they hold, so creating them in order always works. Items whose name
// is not a safe single path component are left out and named, relative to the folder the
// transfer started in, in unsafeNames.
TransferPlan planUpload(const QStringList& localPaths, const QString& remoteFolder,
                        QStringList* unsafeNames = nullptr);
OpResult planDownload(CurlSession& session, const RemoteEntries& entries,
                      const QString& remoteFolder, const QString& localFolder, TransferPlan* plan,
                      QStringList* unsafeNames = nullptr);
// Empties folders on the server before removing them; stops at the first failure.
OpResult removeRemote(CurlSession& session, const RemoteEntry& entry, const QString& remoteFolder);

} // namespace ftp
