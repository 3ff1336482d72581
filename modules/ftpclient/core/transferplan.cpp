#include "transferplan.h"

#include <QDir>
#include <QFileInfo>

namespace ftp {

QString joinRemote(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder == QLatin1String("/"))
        return QLatin1Char('/') + name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

qint64 totalBytes(const TransferPlan& plan) {
    qint64 total = 0;
    for (const PlannedItem& item : plan)
        total += item.size;
    return total;
}

namespace {

void addLocal(const QFileInfo& info, const QString& remotePath, TransferPlan* plan) {
    // Linked folders are skipped: they may point back up and never end.
    if (info.isSymLink() && info.isDir())
        return;
    if (!info.isDir()) {
        plan->append({info.absoluteFilePath(), remotePath, false, info.size()});
        return;
    }
    plan->append({info.absoluteFilePath(), remotePath, true, 0});
    const QFileInfoList children =
        QDir(info.absoluteFilePath())
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                           QDir::Name | QDir::DirsFirst);
    for (const QFileInfo& child : children)
        addLocal(child, joinRemote(remotePath, child.fileName()), plan);
}

OpResult addRemote(CurlSession& session, const RemoteEntry& entry, const QString& remoteFolder,
                   const QString& localFolder, TransferPlan* plan) {
    const QString remotePath = joinRemote(remoteFolder, entry.name);
    const QString localPath = QDir(localFolder).filePath(entry.name);
    if (!entry.isDirectory) {
        plan->append({localPath, remotePath, false, entry.size});
        return OpResult::success();
    }
    plan->append({localPath, remotePath, true, 0});
    RemoteEntries children;
    const OpResult listed = session.list(remotePath, &children);
    if (!listed.ok())
        return listed;
    for (const RemoteEntry& child : children) {
        const OpResult added = addRemote(session, child, remotePath, localPath, plan);
        if (!added.ok())
            return added;
    }
    return OpResult::success();
}

} // namespace

TransferPlan planUpload(const QStringList& localPaths, const QString& remoteFolder) {
    TransferPlan plan;
    for (const QString& path : localPaths) {
        const QFileInfo info(path);
        addLocal(info, joinRemote(remoteFolder, info.fileName()), &plan);
    }
    return plan;
}

OpResult planDownload(CurlSession& session, const RemoteEntries& entries,
                      const QString& remoteFolder, const QString& localFolder, TransferPlan* plan) {
    for (const RemoteEntry& entry : entries) {
        const OpResult added = addRemote(session, entry, remoteFolder, localFolder, plan);
        if (!added.ok())
            return added;
    }
    return OpResult::success();
}

OpResult removeRemote(CurlSession& session, const RemoteEntry& entry, const QString& remoteFolder) {
    const QString path = joinRemote(remoteFolder, entry.name);
    if (!entry.isDirectory)
        return session.removeFile(path);
    RemoteEntries children;
    OpResult result = session.list(path, &children);
    for (int i = 0; result.ok() && i < children.size(); ++i)
        result = removeRemote(session, children.at(i), path);
    return result.ok() ? session.removeDirectory(path) : result;
}

} // namespace ftp
