#pragma once
// Reading files the user names: only ordinary files, and never more than a limit. A FIFO, socket,
// device or folder is refused before it is opened, so reading can neither block nor run on
// without end.

#include <QByteArray>
#include <QString>

enum class PathKind { Missing, Regular, Folder, Fifo, Socket, Device, Other };

// What the path names, following symbolic links.
PathKind kindOfPath(const QString& path);

// The whole content of an ordinary file, or false with a Hungarian reason naming the file. The
// limit counts the bytes actually read, whatever size the file claims.
bool readRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* errorMessage);
