#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

// Builders and comparisons for the file trees the transfer tests move around.
namespace treehelpers {

inline QByteArray randomBytes(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    for (qint64 i = size / 4 * 4; i < size; ++i)
        bytes[i] = char(generator.generate());
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small web site with accented names, an empty file, a binary file and nested folders.
inline void makeSite(const QString& root) {
    writeFile(root + QStringLiteral("/index.html"), "<html><body>Helló világ</body></html>\n");
    writeFile(root + QStringLiteral("/árvíztűrő tükörfúrógép.html"), "<p>ŐŰ őű</p>\r\n");
    writeFile(root + QStringLiteral("/üres.txt"), QByteArray());
    writeFile(root + QStringLiteral("/képek/logó kép.png"), randomBytes(300 * 1024 + 7, 1));
    writeFile(root + QStringLiteral("/képek/régi/Ősz 2026.jpg"), randomBytes(70000, 2));
    QDir().mkpath(root + QStringLiteral("/üres mappa"));
}

// Relative path -> content (folders end with '/').
inline QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir())
            result.insert(relative + QLatin1Char('/'), QByteArray());
        else
            result.insert(relative, readFile(path));
    }
    return result;
}

} // namespace treehelpers
