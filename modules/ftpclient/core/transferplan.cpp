#include "transferplan.h"

#include "safename.h"

#include <QDir>
#include <QFileInfo>

namespace ftp {

namespace {

// Deeper than any real site; a server that lists a folder inside itself would never end.
constexpr int kMaxFolderDepth = 64;

QString joinRelative(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace

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

struct UploadPlanner {
    TransferPlan plan;
    QStringList* unsafeNames;

    void add(const QFileInfo& info, const QString& remotePath, const QString& relative) {
        // Linked folders are skipped: they may point back up and never end.
        if (info.isSymLink() && info.isDir())
            return;
        // A name that means a path on the server (a backslash on Windows hosts, say) could
        // land outside the target folder.
        if (!isSafeName(info.fileName(), NameRules::Portable)) {
            if (unsafeNames)
                unsafeNames->append(relative);
            return;
        }
        if (!info.isDir()) {
            plan.append({info.absoluteFilePath(), remotePath, false, info.size()});
            return;
        }
        plan.append({info.absoluteFilePath(), remotePath, true, 0});
        const QFileInfoList children = QDir(info.absoluteFilePath())
                                           .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                              QDir::Hidden | QDir::System,
                                                          QDir::Name | QDir::DirsFirst);
        for (const QFileInfo& child : children)
            add(child, joinRemote(remotePath, child.fileName()),
                joinRelative(relative, child.fileName()));
    }
};

struct DownloadPlanner {
    CurlSession& session;
    TransferPlan plan;
    QStringList* unsafeNames;

    OpResult add(const RemoteEntry& entry, const QString& remoteFolder, const QString& localFolder,
                 const QString& relativeFolder, int depth) {
        const QString relative = joinRelative(relativeFolder, entry.name);
        // Entries may come from anywhere, not only from our own listing parser.
        if (!isSafeName(entry.name)) {
            if (unsafeNames)
                unsafeNames->append(relative);
            return OpResult::success();
        }
        const QString remotePath = joinRemote(remoteFolder, entry.name);
        const QString localPath = QDir(localFolder).filePath(entry.name);
        if (!entry.isDirectory) {
            PlannedItem item{localPath, remotePath, false, entry.size};
            item.expectedSize = entry.isLink ? -1 : entry.size;
            plan.append(item);
            return OpResult::success();
        }
        if (depth >= kMaxFolderDepth)
            return OpResult::failure(OpResult::Kind::Failed,
                                     QStringLiteral("A mappák túl mélyen egymásba ágyazódnak: %1")
                                         .arg(printableName(remotePath)));
        plan.append({localPath, remotePath, true, 0});
        RemoteEntries children;
        QStringList rejected;
        const OpResult listed = session.list(remotePath, &children, &rejected);
        if (!listed.ok())
            return listed;
        if (unsafeNames) {
            for (const QString& name : rejected)
                unsafeNames->append(joinRelative(relative, name));
        }
        for (const RemoteEntry& child : children) {
            const OpResult added = add(child, remotePath, localPath, relative, depth + 1);
            if (!added.ok())
                return added;
        }
        return OpResult::success();
    }
};

} // namespace

TransferPlan planUpload(const QStringList& localPaths, const QString& remoteFolder,
                        QStringList* unsafeNames) {
    UploadPlanner planner{{}, unsafeNames};
    for (const QString& path : localPaths) {
        const QFileInfo info(path);
        planner.add(info, joinRemote(remoteFolder, info.fileName()), info.fileName());
    }
    return planner.plan;
}

OpResult planDownload(CurlSession& session, const RemoteEntries& entries,
                      const QString& remoteFolder, const QString& localFolder, TransferPlan* plan,
                      QStringList* unsafeNames) {
    DownloadPlanner planner{session, {}, unsafeNames};
    for (const RemoteEntry& entry : entries) {
        const OpResult added = planner.add(entry, remoteFolder, localFolder, QString(), 0);
        if (!added.ok())
            return added;
    }
    *plan = planner.plan;
    return OpResult::success();
}

OpResult removeRemote(CurlSession& session, const RemoteEntry& entry, const QString& remoteFolder) {
    if (!isSafeName(entry.name, NameRules::Portable))
        return OpResult::failure(OpResult::Kind::Failed,
                                 skippedNamesMessage({entry.name}, unsafeNameReason()));
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
