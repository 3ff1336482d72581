#pragma once
// Hungarian reasons for failed file reads and writes, naming the file.

#include <QString>

class QFileDevice;

namespace FileErrors {
QString isFolder(const QString& path);
// kind: a PathKind other than Regular and Folder.
QString notOrdinaryFile(const QString& path, int kind);
QString cannotOpenPath(const QString& path, const QString& reason);
QString cannotOpen(const QFileDevice& file);
QString cannotRead(const QFileDevice& file);
// What a failed save left: the file as it was, its old content put back, a damaged file with
// a copy of its old content, or no new file.
QString unchanged(const QString& path, const QString& reason);
QString restored(const QString& path, const QString& reason);
QString damaged(const QString& path, const QString& copyPath, const QString& reason);
QString notCreated(const QString& path, const QString& reason);
QString tooLarge(const QString& path, qint64 limit);
QString reason(const QFileDevice& file, const QString& path);
} // namespace FileErrors
