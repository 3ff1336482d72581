#include "controls/FileErrors.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

namespace FileErrors {

QString reason(const QFileDevice& file, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.absoluteDir().exists())
        return QStringLiteral("A mappa nem létezik.");
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("Nincs hozzá jogosultságod.");
    case QFileDevice::OpenError:
        if (!info.exists())
            return QStringLiteral("A fájl nem létezik.");
        if (!info.isReadable())
            return QStringLiteral("Nincs hozzá jogosultságod.");
        return QStringLiteral("A fájlt nem lehet megnyitni.");
    case QFileDevice::ReadError:
        return QStringLiteral("Olvasási hiba.");
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        return QStringLiteral("Írási hiba (lehet, hogy megtelt a lemez).");
    case QFileDevice::RenameError:
        return QStringLiteral("Az új tartalmat nem lehetett a fájl helyére tenni.");
    default:
        break;
    }
    if (!info.exists())
        return QStringLiteral("A fájl nem létezik.");
    return QStringLiteral("A művelet nem sikerült.");
}

QString isFolder(const QString& path) {
    return QStringLiteral("A(z) \"%1\" nem fájl, hanem mappa.").arg(QDir::toNativeSeparators(path));
}

QString cannotOpen(const QFileDevice& file) {
    return QStringLiteral("A(z) \"%1\" fájlt nem lehet megnyitni.\n%2")
        .arg(QDir::toNativeSeparators(file.fileName()), reason(file, file.fileName()));
}

QString cannotRead(const QFileDevice& file) {
    return QStringLiteral("A(z) \"%1\" fájlt nem lehet beolvasni.\n%2")
        .arg(QDir::toNativeSeparators(file.fileName()), reason(file, file.fileName()));
}

QString cannotCreate(const QFileDevice& file, const QString& path) {
    return QStringLiteral("A(z) \"%1\" fájlba nem lehet írni.\n%2")
        .arg(QDir::toNativeSeparators(path), reason(file, path));
}

QString cannotWrite(const QFileDevice& file, const QString& path) {
    return QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült; a fájl a régi maradt.\n%2")
        .arg(QDir::toNativeSeparators(path), reason(file, path));
}

QString tooLarge(const QString& path, qint64 limit) {
    return QStringLiteral("A(z) \"%1\" fájl túl nagy (legfeljebb %2 MB nyitható meg).")
        .arg(QDir::toNativeSeparators(path))
        .arg(limit / (1024 * 1024));
}

} // namespace FileErrors
