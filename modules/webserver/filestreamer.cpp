#include "filestreamer.h"

#include <QTcpSocket>

namespace webserver {

namespace {
constexpr qint64 kChunkSize = 64 * 1024;
constexpr qint64 kMaxBuffered = 4 * kChunkSize;
} // namespace

void FileStreamer::start(const QString& filePath, qint64 offset, qint64 length, QTcpSocket* socket,
                         bool closeWhenDone) {
    auto* streamer = new FileStreamer(filePath, length, socket, closeWhenDone);
    if (!streamer->m_file.open(QIODevice::ReadOnly) || !streamer->m_file.seek(offset)) {
        // Headers already went out; closing tells the client the body is incomplete.
        socket->abort();
        streamer->deleteLater();
        return;
    }
    connect(socket, &QTcpSocket::bytesWritten, streamer, &FileStreamer::pump);
    streamer->pump();
}

FileStreamer::FileStreamer(const QString& filePath, qint64 length, QTcpSocket* socket,
                           bool closeWhenDone)
    : QObject(socket), m_file(filePath), m_remaining(length), m_socket(socket),
      m_closeWhenDone(closeWhenDone) {}

void FileStreamer::pump() {
    if (!m_socket)
        return;
    while (m_remaining > 0 && m_socket->bytesToWrite() < kMaxBuffered) {
        const QByteArray chunk = m_file.read(qMin(kChunkSize, m_remaining));
        if (chunk.isEmpty()) {
            m_socket->abort();
            deleteLater();
            return;
        }
        m_socket->write(chunk);
        m_remaining -= chunk.size();
    }
    if (m_remaining == 0) {
        if (m_closeWhenDone)
            m_socket->disconnectFromHost();
        deleteLater();
    }
}

} // namespace webserver
