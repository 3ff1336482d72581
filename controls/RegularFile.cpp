#include "controls/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include "controls/FileErrors.h"
#include "controls/HeapMemory.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
PathKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode))
        return PathKind::Regular;
    if (S_ISDIR(mode))
        return PathKind::Folder;
    if (S_ISFIFO(mode))
        return PathKind::Fifo;
    if (S_ISSOCK(mode))
        return PathKind::Socket;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return PathKind::Device;
    return PathKind::Other;
}

QString reasonOfErrno(int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("A fájl nem létezik.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Nincs hozzá jogosultságod.");
    default:
        return QStringLiteral("A fájlt nem lehet megnyitni.");
    }
}

// Opened without waiting for a writer (a FIFO put in the file's place after the check), then
// checked once more on the open handle.
int openRegular(const QString& path, QString* errorMessage) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *errorMessage = FileErrors::cannotOpenPath(path, reasonOfErrno(errno));
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || kindOfMode(status.st_mode) != PathKind::Regular) {
        const PathKind kind = kindOfMode(status.st_mode);
        ::close(fd);
        *errorMessage = kind == PathKind::Folder ? FileErrors::isFolder(path)
                                                 : FileErrors::notOrdinaryFile(path, int(kind));
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
#endif
} // namespace

PathKind kindOfPath(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return PathKind::Missing;
    return kindOfMode(status.st_mode);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return PathKind::Missing;
    if (info.isDir())
        return PathKind::Folder;
    return info.isFile() ? PathKind::Regular : PathKind::Other;
#endif
}

bool readRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* errorMessage) {
    const PathKind kind = kindOfPath(path);
    if (kind == PathKind::Folder) {
        *errorMessage = FileErrors::isFolder(path);
        return false;
    }
    if (kind != PathKind::Regular && kind != PathKind::Missing) {
        *errorMessage = FileErrors::notOrdinaryFile(path, int(kind));
        return false;
    }

    QFile file(path);
#ifdef Q_OS_UNIX
    const int fd = openRegular(path, errorMessage);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *errorMessage = FileErrors::cannotOpen(file);
        return false;
    }
#else
    if (!file.open(QIODevice::ReadOnly)) {
        *errorMessage = FileErrors::cannotOpen(file);
        return false;
    }
#endif
    // Read in pieces up to one byte past the limit: a file that grows, or claims a wrong size,
    // still stops there.
    QByteArray content;
    const qint64 claimed = file.size();
    if (claimed > limit) {
        *errorMessage = FileErrors::tooLarge(path, limit);
        return false;
    }
    constexpr qint64 kPiece = 1 << 20;
    // Room for the last read too, which finds the end: growing past the reserve at that point
    // would copy the whole file once more.
    content.reserve(qsizetype(claimed + kPiece));
    HeapMemory::bringIn(content.data(), qsizetype(claimed));
    for (;;) {
        const qint64 room = limit + 1 - content.size();
        if (room <= 0)
            break;
        const qsizetype old = content.size();
        const qint64 want = std::min(kPiece, room);
        content.resize(old + qsizetype(want));
        const qint64 got = file.read(content.data() + old, want);
        if (got < 0) {
            *errorMessage = FileErrors::cannotRead(file);
            return false;
        }
        content.resize(old + qsizetype(got));
        if (got == 0)
            break;
    }
    if (content.size() > limit) {
        *errorMessage = FileErrors::tooLarge(path, limit);
        return false;
    }
    *bytes = std::move(content);
    return true;
}
