#include "controls/WholeFileWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "controls/FileErrors.h"
#include "controls/RegularFile.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
WholeFileWriteFaults g_faults;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool syncToDisk(QFile& file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()))) != 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// A copy of the file's present bytes in the data folder, committed (flushed) before it counts.
QString keepOldContent(QFile& source, QString* reason) {
    const QString folder = oldContentFolder();
    if (!QDir().mkpath(folder)) {
        *reason = QStringLiteral("A régi tartalom másolatának mappáját (\"%1\") nem lehet "
                                 "létrehozni.")
                      .arg(native(folder));
        return {};
    }
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString copyPath =
        QDir(folder).filePath(stamp + QLatin1Char('-') + QFileInfo(source.fileName()).fileName());
    QSaveFile copy(copyPath);
    bool ok = copy.open(QIODevice::WriteOnly) && source.seek(0);
    char buffer[1 << 16];
    while (ok) {
        const qint64 got = source.read(buffer, sizeof buffer);
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        ok = copy.write(buffer, got) == got;
    }
    if (!ok || !copy.commit()) {
        copy.cancelWriting();
        *reason = QStringLiteral("A régi tartalomról nem sikerült másolatot készíteni (\"%1\").")
                      .arg(native(copyPath));
        return {};
    }
    return copyPath;
}

// The whole content of `target` becomes `bytes`, written from its start and cut to length.
bool overwrite(QFile& target, const QByteArray& bytes, bool injectFault) {
    if (!target.seek(0))
        return false;
    const qint64 wanted = injectFault ? bytes.size() / 2 : bytes.size();
    if (target.write(bytes.constData(), wanted) != wanted)
        return false;
    if (injectFault)
        return false;
    return target.resize(bytes.size()) && syncToDisk(target);
}

bool restoreFrom(const QString& copyPath, QFile& target) {
    if (g_faults.failRestore)
        return false;
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly) || !target.seek(0))
        return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 got = copy.read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (target.write(buffer, got) != got)
            return false;
    }
    return target.resize(copy.size()) && syncToDisk(target);
}

bool writeInPlace(const QString& path, const QByteArray& bytes, QString* errorMessage) {
    QFile target(path);
    // Unbuffered, so a failed write leaves nothing queued that could spoil the restore.
    if (!target.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *errorMessage = FileErrors::unchanged(path, FileErrors::reason(target, path));
        return false;
    }
    QString reason;
    const QString copyPath = keepOldContent(target, &reason);
    if (copyPath.isEmpty()) {
        *errorMessage = FileErrors::unchanged(path, reason);
        return false;
    }
    if (overwrite(target, bytes, g_faults.failNewContent)) {
        QFile::remove(copyPath);
        return true;
    }
    const QString writeReason = FileErrors::reason(target, path);
    target.unsetError();
    if (restoreFrom(copyPath, target)) {
        QFile::remove(copyPath);
        *errorMessage = FileErrors::restored(path, writeReason);
        return false;
    }
    *errorMessage = FileErrors::damaged(path, copyPath, writeReason);
    return false;
}
} // namespace

QString oldContentFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("regi-tartalom"));
}

void setWholeFileWriteFaultsForTesting(const WholeFileWriteFaults& faults) {
    g_faults = faults;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage) {
    const PathKind kind = kindOfPath(path);
    if (kind == PathKind::Folder) {
        *errorMessage = FileErrors::isFolder(path);
        return false;
    }
    if (kind != PathKind::Regular && kind != PathKind::Missing) {
        *errorMessage = FileErrors::notOrdinaryFile(path, int(kind));
        return false;
    }
    const bool existed = kind == PathKind::Regular;

    if (!(existed && g_faults.forceInPlace)) {
        QSaveFile file(path);
        file.setDirectWriteFallback(false); // the in-place write below keeps a copy first
        if (file.open(QIODevice::WriteOnly)) {
            if (file.write(bytes) == bytes.size() && file.commit())
                return true;
            const QString reason = FileErrors::reason(file, path);
            file.cancelWriting();
            *errorMessage = existed ? FileErrors::unchanged(path, reason)
                                    : FileErrors::notCreated(path, reason);
            return false;
        }
        if (!existed) {
            *errorMessage = FileErrors::notCreated(path, FileErrors::reason(file, path));
            return false;
        }
    }
    // The folder takes no new file (or a test asks for this path): straight into the file.
    return writeInPlace(path, bytes, errorMessage);
}
