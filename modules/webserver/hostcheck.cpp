#include "hostcheck.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

namespace webserver {

namespace {

bool isPort(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The name part of a Host value, or empty when the value is malformed.
QByteArray hostName(QByteArray host) {
    host = host.trimmed().toLower();
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return {};
        const QByteArray rest = host.mid(close + 1);
        if (!rest.isEmpty() && !(rest.startsWith(':') && isPort(rest.mid(1))))
            return {};
        return host.left(close + 1);
    }
    const qsizetype colon = host.indexOf(':');
    if (colon >= 0) {
        if (!isPort(host.mid(colon + 1)))
            return {};
        host.truncate(colon);
    }
    if (host.endsWith('.')) // "localhost." names the same host
        host.chop(1);
    return host;
}

QByteArray addressName(QHostAddress address) {
    address.setScopeId(QString());
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return '[' + address.toString().toLatin1().toLower() + ']';
    return address.toString().toLatin1();
}

} // namespace

HostCheck HostCheck::loopbackOnly() {
    HostCheck check;
    check.allow("localhost");
    check.allow("127.0.0.1");
    check.allow("[::1]");
    return check;
}

HostCheck HostCheck::withLocalNetwork() {
    HostCheck check = loopbackOnly();
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        check.allow(addressName(address));
    const QByteArray name = QHostInfo::localHostName().toUtf8();
    if (!name.isEmpty()) {
        check.allow(name);
        check.allow(name + ".local"); // how other machines find it by multicast DNS
        const QByteArray domain = QHostInfo::localDomainName().toUtf8();
        if (!domain.isEmpty())
            check.allow(name + '.' + domain);
    }
    return check;
}

void HostCheck::allow(const QByteArray& name) {
    const QByteArray normalised = hostName(name);
    if (!normalised.isEmpty())
        m_names.insert(normalised);
}

bool HostCheck::accepts(const QByteArray& host) const {
    const QByteArray name = hostName(host);
    return !name.isEmpty() && m_names.contains(name);
}

} // namespace webserver
