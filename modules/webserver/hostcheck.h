#pragma once

#include <QByteArray>
#include <QSet>

namespace webserver {

// Which names a request's Host header may carry. A web page from elsewhere whose name is made
// to resolve to this computer (DNS rebinding) still sends its own name, so it is turned away.
class HostCheck {
public:
    // localhost, 127.0.0.1 and [::1] only.
    static HostCheck loopbackOnly();
    // Those, plus this computer's addresses and host name, for serving the local network.
    static HostCheck withLocalNetwork();

    // host is the header's value: a name, an IPv4 address or a bracketed IPv6 address,
    // optionally followed by ":port".
    bool accepts(const QByteArray& host) const;

    void allow(const QByteArray& name);

private:
    QSet<QByteArray> m_names; // lower case, IPv6 addresses in brackets, no port
};

} // namespace webserver
