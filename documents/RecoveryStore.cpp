#include "documents/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "controls/FileErrors.h"
#include "documents/RecoveryCopy.h"

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}

const QString kLockName = QStringLiteral("lock");
const QString kSetAsideName = QStringLiteral("set-aside");
const QString kSetAsideStamp = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

bool makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A rename is only durable once the folder that holds the name is on disk as well.
void syncFolder(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

int windowNumber(const QString& fileName) {
    const QString stem = fileName.section(QLatin1Char('.'), 0, 0);
    return stem.mid(stem.lastIndexOf(QLatin1Char('-')) + 1).toInt();
}

QStringList copiesIn(const QString& folder) {
    QDir dir(folder);
    QStringList names =
        dir.entryList({QLatin1Char('*') + QLatin1String(RecoveryCopyFormat::Suffix)},
                      QDir::Files | QDir::System | QDir::Hidden);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return windowNumber(a) < windowNumber(b); });
    QStringList paths;
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

std::unique_ptr<QLockFile> makeLock(const QString& folder) {
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockName));
    // Only a program that no longer runs gives up its lock; age alone never does.
    lock->setStaleLockTime(0);
    return lock;
}
} // namespace

namespace RecoveryStore {

QString folder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    // Per user and per program name: the application's name is the program file's name.
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recovery");
}

QString setAsideFolder() {
    return folder() + QLatin1Char('/') + kSetAsideName;
}

void setFolderForTesting(const QString& folder) {
    folderOverride() = folder;
}

QString newSessionFolder() {
    static std::atomic<int> sessions{0};
    const QString name = QStringLiteral("%1-%2-%3")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(++sessions);
    return folder() + QLatin1Char('/') + name;
}

bool openSession(const QString& folder, QLockFile& lock, QString* error) {
    if (!makePrivateFolder(folder)) {
        if (error)
            *error = QStringLiteral("A(z) \"%1\" mappa nem hozható létre.")
                         .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    syncFolder(QFileInfo(folder).absolutePath()); // the session's name survives a power cut
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (error)
            *error = QStringLiteral("A(z) \"%1\" mappa nem foglalható le.")
                         .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return true;
}

std::vector<OrphanedSession> claimOrphanedSessions(const QString& own) {
    std::vector<OrphanedSession> sessions;
    const QDir root(folder());
    const QFileInfoList folders =
        root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& info : folders) {
        const QString folder = info.absoluteFilePath();
        if (info.fileName() == kSetAsideName ||
            QFileInfo(own).absoluteFilePath() == QFileInfo(folder).absoluteFilePath())
            continue;
        // A program takes its lock before it writes its first copy, so a folder without copies
        // may be one that is still being made: it is only cleared away once it is a day old.
        const QStringList copies = copiesIn(folder);
        if (copies.isEmpty() && info.lastModified().secsTo(QDateTime::currentDateTime()) < 86400)
            continue;
        auto lock = makeLock(folder);
        if (!lock->tryLock(0))
            continue; // its program still runs
        OrphanedSession session{folder, std::move(lock), copiesIn(folder)};
        if (session.copies.isEmpty()) {
            release(session);
            continue;
        }
        sessions.push_back(std::move(session));
    }
    return sessions;
}

bool readCopy(const QString& path, QByteArray* bytes, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink()) {
        if (error)
            *error = QStringLiteral("nem közönséges fájl");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    *bytes = file.read(RecoveryCopyFormat::MaximumSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (bytes->size() > RecoveryCopyFormat::MaximumSize) {
        bytes->clear();
        if (error)
            *error = QStringLiteral("túl nagy");
        return false;
    }
    return true;
}

bool writeCopy(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    file.setDirectWriteFallback(false); // never half a copy in place of a whole one
    const bool existed = QFileInfo::exists(path);
    const auto failure = [&] {
        const QString reason = FileErrors::reason(file, path);
        return existed ? FileErrors::unchanged(path, reason) : FileErrors::notCreated(path, reason);
    };
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = failure();
        return false;
    }
    // commit() flushes the file to disk before it renames it over the old copy.
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = failure();
        file.cancelWriting();
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

QStringList setAside(const QStringList& copies, const QDateTime& now) {
    QString target = setAsideFolder() + QLatin1Char('/') + now.toString(kSetAsideStamp);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = setAsideFolder() + QLatin1Char('/') + now.toString(kSetAsideStamp) +
                 QLatin1Char('_') + QString::number(n);
    QStringList left;
    if (!makePrivateFolder(setAsideFolder()) || !makePrivateFolder(target))
        return copies;
    for (const QString& copy : copies) {
        const QFileInfo info(copy);
        // Copies of several sessions may share a name: the session goes in front.
        const QString name = info.dir().dirName() + QLatin1Char('-') + info.fileName();
        if (!QFile::rename(copy, QDir(target).filePath(name)))
            left << copy;
    }
    syncFolder(target);
    return left;
}

void purgeSetAside(const QDateTime& now) {
    const QDir root(setAsideFolder());
    const QFileInfoList folders =
        root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    const QDateTime oldest = now.addDays(-kSetAsideDays);
    for (const QFileInfo& info : folders) {
        // The folder's name says when the copies were set aside; anything else is not ours.
        const QDateTime when =
            QDateTime::fromString(info.fileName().left(kSetAsideStamp.size()), kSetAsideStamp);
        if (when.isValid() && when < oldest)
            QDir(info.absoluteFilePath()).removeRecursively();
    }
}

void release(OrphanedSession& session) {
    if (session.lock)
        session.lock->unlock(); // removes the lock file
    session.lock.reset();
    QDir(session.folder).rmdir(session.folder); // only when empty
}

QString copyPath(const QString& sessionFolder, int window) {
    return QStringLiteral("%1/window-%2%3")
        .arg(sessionFolder)
        .arg(window)
        .arg(QLatin1String(RecoveryCopyFormat::Suffix));
}

} // namespace RecoveryStore
