#include "site.h"

namespace ftp {

QString protocolName(Protocol protocol) {
    switch (protocol) {
    case Protocol::Ftp:
        return QStringLiteral("ftp");
    case Protocol::FtpTls:
        return QStringLiteral("ftps");
    case Protocol::Sftp:
        return QStringLiteral("sftp");
    }
    return QStringLiteral("ftp");
}

Protocol protocolFromName(const QString& name, bool* ok) {
    const QString key = name.trimmed().toLower();
    if (ok)
        *ok = true;
    if (key == QLatin1String("ftps"))
        return Protocol::FtpTls;
    if (key == QLatin1String("sftp"))
        return Protocol::Sftp;
    if (key != QLatin1String("ftp") && ok)
        *ok = false;
    return Protocol::Ftp;
}

} // namespace ftp
