#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QUrl>

// Client side of the web server tests. The server runs in the test's own thread, so every
// wait here spins the event loop instead of blocking.
struct HttpResult {
    int status = 0;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};

using HeaderPairs = QList<QPair<QByteArray, QByteArray>>;

// Through QNetworkAccessManager; redirects are not followed.
HttpResult fetch(QNetworkAccessManager& manager, const QUrl& url, const QByteArray& verb = "GET",
                 const HeaderPairs& headers = {});

// Sends bytes exactly as given (no URL normalisation, unlike QNetworkAccessManager) and reads
// one or more replies; HEAD and 304 replies carry no body.
QList<HttpResult> rawExchange(quint16 port, const QByteArray& requests,
                              const QList<bool>& bodiless = {}, int expectedReplies = 1);
HttpResult rawRequest(quint16 port, const QByteArray& method, const QByteArray& target,
                      const HeaderPairs& headers = {});

// Runs a program to its end while the event loop keeps serving; returns its stdout.
QByteArray runToEnd(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
