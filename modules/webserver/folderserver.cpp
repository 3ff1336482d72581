#include "folderserver.h"

#include "hostcheck.h"
#include "staticfileserver.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QNetworkInterface>
#include <QTcpServer>

namespace webserver {

namespace {

// Why the address and port cannot be listened on, told by trying them with a plain socket.
QString listenFailure(const QHostAddress& address, quint16 port, quint16* suggestedPort) {
    QTcpServer probe;
    QString message;
    const bool listened = probe.listen(address, port);
    const QAbstractSocket::SocketError error = probe.serverError();
    probe.close();
    if (!listened && error == QAbstractSocket::AddressInUseError) {
        *suggestedPort = FolderServer::findFreePort(address, port == 65535 ? 1024 : port + 1);
        message = QStringLiteral("A megadott port (%1) már foglalt: egy másik program "
                                 "vagy a Web szerver egy másik példánya használja.")
                      .arg(port);
    } else if (!listened && error == QAbstractSocket::SocketAccessError) {
        *suggestedPort = FolderServer::findFreePort(address, 8080);
        message = QStringLiteral("A(z) %1 portot csak rendszergazda használhatja. "
                                 "Válasszon 1024 feletti portot.")
                      .arg(port);
    } else {
        return QStringLiteral("A szerver nem indítható a(z) %1 porton:\n%2")
            .arg(port)
            .arg(listened ? QStringLiteral("a kiszolgáló nem indult el.") : probe.errorString());
    }
    if (*suggestedPort != 0)
        message += QStringLiteral("\nJavasolt szabad port: %1").arg(*suggestedPort);
    return message;
}

} // namespace

FolderServer::FolderServer(QObject* parent) : QObject(parent) {
    qRegisterMetaType<webserver::RequestLogEntry>();
}

FolderServer::~FolderServer() {
    stop();
}

StartResult FolderServer::start(const QString& folder, quint16 port, bool allInterfaces) {
    stop();
    StartResult result;
    const QFileInfo folderInfo(folder);
    if (folder.trimmed().isEmpty()) {
        result.message = QStringLiteral("Válassza ki a kiszolgálandó mappát.");
        return result;
    }
    if (!folderInfo.isDir() || !folderInfo.isReadable() || !QDir(folder).isReadable()) {
        result.message = QStringLiteral("A mappa nem létezik vagy nem olvasható:\n%1")
                             .arg(QDir::toNativeSeparators(folder));
        return result;
    }

    const QHostAddress address =
        allInterfaces ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost);
    auto* server = new StaticFileServer(
        folderInfo.canonicalFilePath(),
        allInterfaces ? HostCheck::withLocalNetwork() : HostCheck::loopbackOnly(), this);
    if (!server->listen(address, port)) {
        delete server;
        result.message = listenFailure(address, port, &result.suggestedPort);
        return result;
    }
    server->setLogging(logWanted());
    connect(server, &StaticFileServer::requestServed, this, &FolderServer::requestServed);
    connect(server, &StaticFileServer::servedFolderMissing, this,
            &FolderServer::servedFolderMissing);

    m_server = server;
    m_port = server->port();
    m_allInterfaces = allInterfaces;
    result.ok = true;
    result.port = m_port;
    emit runningChanged(true);
    return result;
}

bool FolderServer::logWanted() const {
    return isSignalConnected(QMetaMethod::fromSignal(&FolderServer::requestServed));
}

void FolderServer::connectNotify(const QMetaMethod& signal) {
    if (signal == QMetaMethod::fromSignal(&FolderServer::requestServed) && m_server)
        m_server->setLogging(true);
}

void FolderServer::stop() {
    if (!m_server)
        return;
    // Deleting the server closes the listener and every open connection with it.
    delete m_server.data();
    m_server = nullptr;
    m_port = 0;
    emit runningChanged(false);
}

QString FolderServer::folder() const {
    return m_server ? m_server->root() : QString();
}

QString FolderServer::localUrl() const {
    if (!m_server)
        return {};
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

QStringList FolderServer::networkUrls() const {
    QStringList urls;
    if (!m_server || !m_allInterfaces)
        return urls;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            urls.append(QStringLiteral("http://%1:%2/").arg(address.toString()).arg(m_port));
    }
    return urls;
}

quint16 FolderServer::findFreePort(const QHostAddress& address, quint16 from, int attempts) {
    for (int i = 0; i < attempts && from + i <= 65535; ++i) {
        QTcpServer probe;
        const auto candidate = static_cast<quint16>(from + i);
        if (probe.listen(address, candidate))
            return candidate;
    }
    return 0;
}

} // namespace webserver
