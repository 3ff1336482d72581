// The server under attack, as a hostile program on this computer or a hostile web page in the
// browser would try it: oversized requests, bodies, floods of connections and pipelined
// requests, stalling clients and foreign Host names. Runs the real program on a free loopback
// port; after every case a normal request must still be answered and the process must stay
// under its memory bound. The timeouts are tried on an in-process server with short settings.
#include "hostcheck.h"
#include "staticfileserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

using webserver::HostCheck;
using webserver::StaticFileServer;

namespace {

constexpr qint64 kMaxResidentBytes = 200LL * 1024 * 1024;
constexpr int kWaitMs = 5000;

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray patterned(qint64 size, char salt) {
    QByteArray content;
    content.reserve(size + 16);
    for (int i = 0; content.size() < size; ++i)
        content += QByteArray::number(i) + salt;
    content.truncate(size);
    return content;
}

QByteArray request(const QByteArray& target, const QByteArray& extra = {},
                   const QByteArray& method = "GET") {
    return method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

int statusOf(const QByteArray& reply) {
    if (!reply.startsWith("HTTP/1.1 "))
        return 0;
    return reply.mid(9, 3).toInt();
}

// Reads until the server closes the connection, timeoutMs pass or maxBytes arrived.
QByteArray readUntilClosed(QTcpSocket& socket, int timeoutMs, qint64 maxBytes = 64 << 20) {
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs && received.size() < maxBytes) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(50)) {
            if (socket.state() != QAbstractSocket::ConnectedState)
                break;
            continue;
        }
        received += socket.readAll();
    }
    received += socket.readAll();
    return received;
}

bool closedWithin(QTcpSocket& socket, int timeoutMs) {
    readUntilClosed(socket, timeoutMs);
    return socket.state() != QAbstractSocket::ConnectedState;
}

// Writes the same block again and again until the server stops taking it or limits are hit;
// returns how much was written.
qint64 floodWith(QTcpSocket& socket, const QByteArray& block, qint64 maxBytes, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    qint64 written = 0;
    while (written < maxBytes && timer.elapsed() < timeoutMs &&
           socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.bytesToWrite() > 4 * block.size()) {
            socket.waitForBytesWritten(20);
            continue;
        }
        if (socket.write(block) < 0)
            break;
        written += block.size();
    }
    return written;
}

struct ParsedReply {
    int status = 0;
    QByteArray body;
};

// Splits a stream of replies (bodies by Content-Length; HEAD replies flagged) in order.
QList<ParsedReply> splitReplies(QByteArray stream, const QList<bool>& bodiless) {
    QList<ParsedReply> replies;
    while (!stream.isEmpty()) {
        const qsizetype end = stream.indexOf("\r\n\r\n");
        if (end < 0)
            break;
        const QByteArray head = stream.left(end);
        ParsedReply reply;
        reply.status = statusOf(head);
        qint64 length = 0;
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (bodiless.value(replies.size(), false))
            length = 0;
        if (stream.size() - end - 4 < length)
            break;
        reply.body = stream.mid(end + 4, length);
        stream.remove(0, end + 4 + length);
        replies.append(reply);
    }
    return replies;
}

} // namespace

class WebServerAttacksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void longRequestLinesAreRefused_data();
    void longRequestLinesAreRefused();
    void longHeadersAreRefused_data();
    void longHeadersAreRefused();
    void bodiesAreRefused_data();
    void bodiesAreRefused();
    void pipelinedRepliesStayInOrder();
    void pipelinersThatNeverReadStayBounded();
    void connectionFloodIsCapped();
    void foreignHostNamesAreRefused_data();
    void foreignHostNamesAreRefused();
    void stallingClientsAreDropped();

private:
    std::unique_ptr<QTcpSocket> connectToServer(quint16 port = 0) const;
    qint64 residentBytes() const;
    qint64 cpuTicks() const;

    QTemporaryDir m_temp;
    QString m_root;
    QProcess m_process;
    quint16 m_port = 0;
};

void WebServerAttacksTest::initTestCase() {
    QVERIFY(m_temp.isValid());
    m_root = m_temp.filePath(QStringLiteral("site"));
    writeFile(m_root + "/index.html", "<html><body>index</body></html>");
    writeFile(m_root + "/a.txt", "0123456789");
    writeFile(m_root + "/mid.bin", patterned(900 * 1024, 'm'));
    writeFile(m_root + "/big.bin", patterned(3 * 1024 * 1024 + 7, 'b'));

    m_process.start(QStringLiteral(WEBSERVER_EXECUTABLE),
                    {"--serve", m_root, "--port", "0", "--no-gui", "--quiet"});
    QVERIFY(m_process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_process.canReadLine() || m_process.state() == QProcess::NotRunning,
                             15000);
    const QByteArray line = m_process.readLine().trimmed();
    QVERIFY2(line.startsWith("Cím: http://127.0.0.1:"), line.constData());
    m_port = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).chopped(1).toUInt());
    QVERIFY(m_port != 0);
}

void WebServerAttacksTest::cleanupTestCase() {
    m_process.kill();
    m_process.waitForFinished();
}

void WebServerAttacksTest::cleanup() {
    // Whatever the attack, the program is still there, answers and keeps its memory bound.
    QCOMPARE(m_process.state(), QProcess::Running);
    auto socket = connectToServer();
    QVERIFY(socket);
    socket->write(request("/a.txt", "Connection: close\r\n"));
    const QByteArray reply = readUntilClosed(*socket, kWaitMs);
    QCOMPARE(statusOf(reply), 200);
    QVERIFY(reply.endsWith("\r\n\r\n0123456789"));
    const qint64 resident = residentBytes();
    QVERIFY2(resident < kMaxResidentBytes,
             qPrintable(QStringLiteral("%1 MB resident").arg(resident >> 20)));
}

std::unique_ptr<QTcpSocket> WebServerAttacksTest::connectToServer(quint16 port) const {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port ? port : m_port);
    if (!socket->waitForConnected(kWaitMs))
        return nullptr;
    return socket;
}

qint64 WebServerAttacksTest::residentBytes() const {
    QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return 0; // no /proc here: the bound is not measured
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

qint64 WebServerAttacksTest::cpuTicks() const {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name (which may hold spaces): utime is the 12th, stime the 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

void WebServerAttacksTest::longRequestLinesAreRefused_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("just over 8 KB") << 8 * 1024 + 10;
    QTest::newRow("200 KB") << 200 * 1024;
    QTest::newRow("10 MB") << 10 * 1024 * 1024;
}

void WebServerAttacksTest::longRequestLinesAreRefused() {
    QFETCH(int, length);
    auto socket = connectToServer();
    QVERIFY(socket);
    QElapsedTimer timer;
    timer.start();
    const QByteArray target = '/' + QByteArray(length, 'a');
    socket->write(request(target));
    const QByteArray reply = readUntilClosed(*socket, kWaitMs);
    QVERIFY2(statusOf(reply) == 414 || statusOf(reply) == 431 ||
                 (reply.isEmpty() && length > 1024 * 1024),
             reply.left(40).constData());
    QVERIFY(socket->state() != QAbstractSocket::ConnectedState);
    QVERIFY(timer.elapsed() < kWaitMs);
}

void WebServerAttacksTest::longHeadersAreRefused_data() {
    QTest::addColumn<QByteArray>("headers");
    QTest::newRow("one 9 KB header") << "X-Long: " + QByteArray(9 * 1024, 'h') + "\r\n";
    QByteArray many;
    for (int i = 0; i < 70; ++i)
        many += "X-Header-" + QByteArray::number(i) + ": " + QByteArray(1000, 'h') + "\r\n";
    QTest::newRow("70 headers of 1 KB") << many;
    QByteArray huge;
    for (int i = 0; i < 2000; ++i)
        huge += "X-Header-" + QByteArray::number(i) + ": " + QByteArray(5000, 'h') + "\r\n";
    QTest::newRow("10 MB of headers") << huge;
}

void WebServerAttacksTest::longHeadersAreRefused() {
    QFETCH(QByteArray, headers);
    auto socket = connectToServer();
    QVERIFY(socket);
    socket->write(request("/a.txt", headers));
    const QByteArray reply = readUntilClosed(*socket, kWaitMs);
    QVERIFY2(statusOf(reply) == 431 || (reply.isEmpty() && headers.size() > 1024 * 1024),
             reply.left(40).constData());
    QVERIFY(socket->state() != QAbstractSocket::ConnectedState);
}

void WebServerAttacksTest::bodiesAreRefused_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("bodyBlock"); // sent again and again after the head
    QTest::addColumn<int>("status");
    const QByteArray block(64 * 1024, 'x');
    QByteArray chunk = QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n";
    QTest::newRow("POST with a small body")
        << request("/a.txt", "Content-Length: 5\r\n", "POST") << QByteArray("hello") << 405;
    QTest::newRow("PUT of a gigabyte")
        << request("/new.bin", "Content-Length: 1000000000\r\n", "PUT") << block << 405;
    QTest::newRow("endless chunked POST")
        << request("/a.txt", "Transfer-Encoding: chunked\r\n", "POST") << chunk << 405;
    QTest::newRow("GET with a body")
        << request("/a.txt", "Content-Length: 100000000\r\n") << block << 413;
    QTest::newRow("HEAD with a chunked body")
        << request("/a.txt", "Transfer-Encoding: chunked\r\n", "HEAD") << chunk << 413;
}

void WebServerAttacksTest::bodiesAreRefused() {
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, bodyBlock);
    QFETCH(int, status);
    auto socket = connectToServer();
    QVERIFY(socket);
    socket->write(head + bodyBlock);
    // The answer comes as soon as the head is in, before any body is read.
    QByteArray reply;
    while (!reply.contains("\r\n\r\n") && socket->waitForReadyRead(kWaitMs))
        reply += socket->readAll();
    // Then the connection is closed: a body of up to 256 MB goes nowhere.
    if (bodyBlock.size() > 100) {
        const qint64 written = floodWith(*socket, bodyBlock, 256 << 20, 5000);
        QVERIFY2(written < 256 << 20, qPrintable(QString::number(written)));
    }
    if (socket->state() == QAbstractSocket::ConnectedState)
        reply += readUntilClosed(*socket, kWaitMs);
    QCOMPARE(statusOf(reply), status);
    if (status == 405)
        QVERIFY(reply.contains("\r\nAllow: GET, HEAD\r\n"));
    QVERIFY(socket->state() != QAbstractSocket::ConnectedState);
    QVERIFY(!QFile::exists(m_root + "/new.bin"));
}

void WebServerAttacksTest::pipelinedRepliesStayInOrder() {
    // A large file streamed from disk between small replies: nothing may slip into its body.
    auto socket = connectToServer();
    QVERIFY(socket);
    socket->write(request("/big.bin") + request("/a.txt") + request("/big.bin", {}, "HEAD") +
                  request("/mid.bin") + request("/nothing-here") +
                  request("/big.bin", "Range: bytes=1000000-1000009\r\n") +
                  request("/a.txt", "Connection: close\r\n"));
    const QByteArray stream = readUntilClosed(*socket, 15000, 8 << 20);
    const QList<ParsedReply> replies =
        splitReplies(stream, {false, false, true, false, false, false, false});
    QCOMPARE(replies.size(), 7);
    const QByteArray big = patterned(3 * 1024 * 1024 + 7, 'b');
    QCOMPARE(replies[0].status, 200);
    QVERIFY(replies[0].body == big);
    QCOMPARE(replies[1].body, QByteArray("0123456789"));
    QCOMPARE(replies[2].status, 200);
    QVERIFY(replies[2].body.isEmpty());
    QVERIFY(replies[3].body == patterned(900 * 1024, 'm'));
    QCOMPARE(replies[4].status, 404);
    QCOMPARE(replies[5].status, 206);
    QCOMPARE(replies[5].body, big.mid(1000000, 10));
    QCOMPARE(replies[6].body, QByteArray("0123456789"));
}

void WebServerAttacksTest::pipelinersThatNeverReadStayBounded() {
    // Each connection asks for a 900 KB file about 1,500 times and never reads a byte.
    QByteArray requests;
    while (requests.size() < 60 * 1024)
        requests += request("/mid.bin");
    const qint64 before = residentBytes();
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 20; ++i) {
        auto socket = connectToServer();
        QVERIFY(socket);
        socket->write(requests);
        socket->waitForBytesWritten(100);
        sockets.push_back(std::move(socket));
    }
    QTest::qWait(2000);
    const qint64 resident = residentBytes();
    QVERIFY2(resident < kMaxResidentBytes,
             qPrintable(QStringLiteral("%1 MB resident").arg(resident >> 20)));
    QVERIFY2(resident - before < 64LL * 1024 * 1024,
             qPrintable(QStringLiteral("grew by %1 MB").arg((resident - before) >> 20)));

    // Reading now brings whole, ordered replies.
    QTcpSocket& reader = *sockets.front();
    const QByteArray stream = readUntilClosed(reader, 1500, 3 * 900 * 1024 + 4096);
    const QList<ParsedReply> replies = splitReplies(stream, {});
    QVERIFY(replies.size() >= 2);
    for (const ParsedReply& reply : replies) {
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body.size(), 900 * 1024);
    }
}

void WebServerAttacksTest::connectionFloodIsCapped() {
    // More connections than the cap, each stalling in its request head.
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 400; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), m_port);
        sockets.push_back(std::move(socket));
    }
    for (auto& socket : sockets) {
        if (socket->waitForConnected(kWaitMs))
            socket->write("GET /a.txt HTTP/1.1\r\n");
    }
    QTest::qWait(300);

    // At the cap the server waits for a free slot instead of spinning on accept.
    const qint64 ticksBefore = cpuTicks();
    QTest::qWait(1000);
    const qint64 ticksUsed = cpuTicks() - ticksBefore;
    QVERIFY2(ticksUsed < 30, qPrintable(QStringLiteral("%1 ticks in one second").arg(ticksUsed)));

    // Those already in are still served.
    QTcpSocket& early = *sockets.front();
    early.write("Host: 127.0.0.1\r\n\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(early.bytesAvailable() > 0, kWaitMs);
    QCOMPARE(statusOf(early.readAll()), 200);

    // Once the flood goes away, the connection waiting longest in the queue gets its turn.
    QTcpSocket& late = *sockets.back();
    for (size_t i = 0; i + 1 < sockets.size(); ++i)
        sockets[i]->abort();
    late.write("Host: 127.0.0.1\r\n\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(late.bytesAvailable() > 0, kWaitMs);
    QCOMPARE(statusOf(late.readAll()), 200);
}

void WebServerAttacksTest::foreignHostNamesAreRefused_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("status");
    const QByteArray port = QByteArray::number(m_port);
    QTest::newRow("127.0.0.1") << QByteArray("127.0.0.1") << 200;
    QTest::newRow("127.0.0.1 with port") << "127.0.0.1:" + port << 200;
    QTest::newRow("localhost with port") << "localhost:" + port << 200;
    QTest::newRow("LocalHost") << QByteArray("LocalHost") << 200;
    QTest::newRow("[::1] with port") << "[::1]:" + port << 200;
    QTest::newRow("rebinding name") << "attacker.example:" + port << 421;
    QTest::newRow("name ending in localhost") << QByteArray("evil-localhost") << 421;
    QTest::newRow("localhost as a subdomain") << QByteArray("localhost.attacker.example") << 421;
    QTest::newRow("other loopback address") << QByteArray("127.0.0.2") << 421;
    QTest::newRow("bad port") << QByteArray("127.0.0.1:80x") << 421;
    QTest::newRow("empty") << QByteArray() << 421;
}

void WebServerAttacksTest::foreignHostNamesAreRefused() {
    QFETCH(QByteArray, host);
    QFETCH(int, status);
    auto socket = connectToServer();
    QVERIFY(socket);
    socket->write("GET /a.txt HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
    const QByteArray reply = readUntilClosed(*socket, kWaitMs);
    QCOMPARE(statusOf(reply), status);
    QCOMPARE(reply.endsWith("0123456789"), status == 200);
}

void WebServerAttacksTest::stallingClientsAreDropped() {
    // The same engine as the program, with a 1 s head and 2 s idle time instead of 10 s and 30 s.
    StaticFileServer server(QFileInfo(m_root).canonicalFilePath(), HostCheck::loopbackOnly());
    server.setTimeouts(1, 2);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer timer;

    // Silent after connecting.
    auto silent = connectToServer(server.port());
    QVERIFY(silent);
    timer.start();
    QVERIFY(closedWithin(*silent, kWaitMs));
    QVERIFY(timer.elapsed() >= 800);

    // Trickling its head a byte at a time, never silent long enough for an idle timeout.
    auto trickler = connectToServer(server.port());
    QVERIFY(trickler);
    timer.start();
    const QByteArray head = "GET /a.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    for (int i = 0; trickler->state() == QAbstractSocket::ConnectedState && timer.elapsed() < 4000;
         ++i) {
        trickler->write(head.mid(i % head.size(), 1));
        trickler->waitForBytesWritten(50);
        readUntilClosed(*trickler, 200);
    }
    QVERIFY(trickler->state() != QAbstractSocket::ConnectedState);
    QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));

    // Idle after a request on a kept-alive connection.
    auto idle = connectToServer(server.port());
    QVERIFY(idle);
    idle->write(request("/a.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(idle->bytesAvailable() > 0, kWaitMs);
    timer.start();
    QVERIFY(closedWithin(*idle, kWaitMs));
    QVERIFY(timer.elapsed() >= 1000);

    // Asking for a file larger than the socket buffers and never reading it. The server runs on
    // its own threads, so this thread may simply sleep.
    QFile huge(m_root + "/huge.bin");
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(256LL * 1024 * 1024));
    huge.close();
    auto stuck = connectToServer(server.port());
    QVERIFY(stuck);
    stuck->write(request("/huge.bin"));
    QVERIFY(stuck->waitForBytesWritten(kWaitMs));
    QThread::msleep(3500);
    const QByteArray received = readUntilClosed(*stuck, 15000, 300LL * 1024 * 1024);
    QVERIFY(stuck->state() != QAbstractSocket::ConnectedState);
    QVERIFY(received.startsWith("HTTP/1.1 200"));
    QVERIFY(received.size() < 256LL * 1024 * 1024);
    QFile::remove(m_root + "/huge.bin");
}

QTEST_GUILESS_MAIN(WebServerAttacksTest)
#include "tst_webserver_attacks.moc"
