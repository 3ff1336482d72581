#include "httptestclient.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

namespace {

constexpr int kTimeoutMs = 15000;

// Parses one reply from the front of buffer; returns false while it is incomplete.
bool takeReply(QByteArray& buffer, bool bodiless, HttpResult* result) {
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    HttpResult parsed;
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    parsed.status = statusLine.value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            parsed.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                  lines[i].mid(colon + 1).trimmed());
    }
    qint64 length = 0;
    if (!bodiless && parsed.status != 304)
        length = parsed.header("Content-Length").toLongLong();
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() - bodyStart < length)
        return false;
    parsed.body = buffer.mid(bodyStart, length);
    buffer.remove(0, bodyStart + length);
    *result = parsed;
    return true;
}

} // namespace

HttpResult fetch(QNetworkAccessManager& manager, const QUrl& url, const QByteArray& verb,
                 const HeaderPairs& headers) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply =
        verb == "HEAD" ? manager.head(request) : manager.sendCustomRequest(request, verb);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(kTimeoutMs);
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto& pair : reply->rawHeaderPairs())
        result.headers.insert(pair.first.toLower(), pair.second);
    result.body = reply->readAll();
    reply->deleteLater();
    return result;
}

QList<HttpResult> rawExchange(quint16 port, const QByteArray& requests, const QList<bool>& bodiless,
                              int expectedReplies) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.write(requests);
    QByteArray buffer;
    QList<HttpResult> results;
    QElapsedTimer timer;
    timer.start();
    while (results.size() < expectedReplies && timer.elapsed() < kTimeoutMs) {
        QTest::qWait(2);
        buffer += socket.readAll();
        HttpResult result;
        while (results.size() < expectedReplies &&
               takeReply(buffer, bodiless.value(results.size(), false), &result))
            results.append(result);
        if (socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0)
            break;
    }
    return results;
}

HttpResult rawRequest(quint16 port, const QByteArray& method, const QByteArray& target,
                      const HeaderPairs& headers) {
    QByteArray request = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto& [name, value] : headers)
        request += name + ": " + value + "\r\n";
    request += "\r\n";
    return rawExchange(port, request, {method == "HEAD"}).value(0);
}

QByteArray runToEnd(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.start(program, arguments);
    QSignalSpy finished(&process, &QProcess::finished);
    if (process.waitForStarted(kTimeoutMs) && process.state() != QProcess::NotRunning)
        finished.wait(kTimeoutMs);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}
