#pragma once

#include <QFile>
#include <QObject>
#include <QPointer>

class QTcpSocket;

namespace webserver {

// Feeds a slice of a large file to a socket as the socket drains, so a big video does not sit
// in memory whole. Lives as a child of the socket and ends with it.
class FileStreamer : public QObject {
    Q_OBJECT

public:
    static void start(const QString& filePath, qint64 offset, qint64 length, QTcpSocket* socket,
                      bool closeWhenDone);

private:
    FileStreamer(const QString& filePath, qint64 length, QTcpSocket* socket, bool closeWhenDone);
    void pump();

    QFile m_file;
    qint64 m_remaining;
    QPointer<QTcpSocket> m_socket;
    bool m_closeWhenDone;
};

} // namespace webserver
