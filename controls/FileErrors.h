#pragma once
// Hungarian reasons for failed file reads and writes, naming the file.

#include <QString>

class QFileDevice;

namespace FileErrors {
QString isFolder(const QString& path);
QString cannotOpen(const QFileDevice& file);
QString cannotRead(const QFileDevice& file);
QString cannotCreate(const QFileDevice& file, const QString& path);
QString cannotWrite(const QFileDevice& file, const QString& path);
QString tooLarge(const QString& path, qint64 limit);
QString reason(const QFileDevice& file, const QString& path);
} // namespace FileErrors
