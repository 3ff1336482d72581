#include "controls/FileErrors.h"

#include "controls/RegularFile.h"

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

QString notOrdinaryFile(const QString& path, int kind) {
    QString what;
    switch (PathKind(kind)) {
    case PathKind::Fifo:
        what = QStringLiteral("csővezeték (FIFO)");
        break;
    case PathKind::Socket:
        what = QStringLiteral("foglalat (socket)");
        break;
    case PathKind::Device:
        what = QStringLiteral("eszköz");
        break;
    default:
        what = QStringLiteral("különleges fájl");
        break;
    }
    return QStringLiteral("A(z) \"%1\" nem közönséges fájl, hanem %2, ezért nem nyitható meg.")
        .arg(QDir::toNativeSeparators(path), what);
}

QString cannotOpenPath(const QString& path, const QString& reason) {
    return QStringLiteral("A(z) \"%1\" fájlt nem lehet megnyitni.\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString cannotOpen(const QFileDevice& file) {
    return QStringLiteral("A(z) \"%1\" fájlt nem lehet megnyitni.\n%2")
        .arg(QDir::toNativeSeparators(file.fileName()), reason(file, file.fileName()));
}

QString cannotRead(const QFileDevice& file) {
    return QStringLiteral("A(z) \"%1\" fájlt nem lehet beolvasni.\n%2")
        .arg(QDir::toNativeSeparators(file.fileName()), reason(file, file.fileName()));
}

QString unchanged(const QString& path, const QString& reason) {
    return QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült; a fájl változatlan maradt.\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString notCreated(const QString& path, const QString& reason) {
    return QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült; a fájl nem jött létre.\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString restored(const QString& path, const QString& reason) {
    return QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült; a fájl régi tartalmát "
                          "visszaállítottam.\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString damaged(const QString& path, const QString& copyPath, const QString& reason) {
    return QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült, és a régi tartalmát sem "
                          "sikerült visszaírni: a fájl megsérült.\nA régi tartalom másolata: "
                          "\"%2\"\n%3")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(copyPath), reason);
}

QString tooLarge(const QString& path, qint64 limit) {
    return QStringLiteral("A(z) \"%1\" fájl túl nagy (legfeljebb %2 MB nyitható meg).")
        .arg(QDir::toNativeSeparators(path))
        .arg(limit / (1024 * 1024));
}

} // namespace FileErrors
