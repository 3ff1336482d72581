#include "sitestore.h"

#include <QSettings>
#include <QUuid>

namespace ftp::SiteStore {

namespace {

QSettings openSettings() {
    return QSettings(QStringLiteral("Webrix"), QStringLiteral("FTPClient"));
}

Site readSite(const QSettings& settings) {
    Site site;
    site.id = settings.value(QStringLiteral("id")).toString();
    site.name = settings.value(QStringLiteral("name")).toString();
    site.host = settings.value(QStringLiteral("host")).toString().trimmed();
    site.protocol = protocolFromName(settings.value(QStringLiteral("protocol")).toString());
    bool portOk = false;
    const int port = settings.value(QStringLiteral("port")).toInt(&portOk);
    site.port = portOk && port > 0 && port < 65536 ? port : Site::defaultPort(site.protocol);
    site.user = settings.value(QStringLiteral("user")).toString();
    site.remoteFolder = settings.value(QStringLiteral("remoteFolder")).toString();
    site.localFolder = settings.value(QStringLiteral("localFolder")).toString();
    site.encoding =
        settings.value(QStringLiteral("encoding")).toString() == QLatin1String("windows-1250")
            ? NameEncoding::Windows1250
            : NameEncoding::Utf8;
    site.privateKeyFile = settings.value(QStringLiteral("privateKeyFile")).toString();
    site.trustedCertificate = settings.value(QStringLiteral("trustedCertificate")).toString();
    site.trustedHostKey = settings.value(QStringLiteral("trustedHostKey")).toString();
    if (site.name.isEmpty())
        site.name = site.host;
    return site;
}

void writeSite(QSettings& settings, const Site& site) {
    settings.setValue(QStringLiteral("id"), site.id);
    settings.setValue(QStringLiteral("name"), site.name);
    settings.setValue(QStringLiteral("host"), site.host);
    settings.setValue(QStringLiteral("port"), site.port);
    settings.setValue(QStringLiteral("protocol"), protocolName(site.protocol));
    settings.setValue(QStringLiteral("user"), site.user);
    settings.setValue(QStringLiteral("remoteFolder"), site.remoteFolder);
    settings.setValue(QStringLiteral("localFolder"), site.localFolder);
    settings.setValue(QStringLiteral("encoding"), site.encoding == NameEncoding::Windows1250
                                                      ? QStringLiteral("windows-1250")
                                                      : QStringLiteral("utf-8"));
    settings.setValue(QStringLiteral("privateKeyFile"), site.privateKeyFile);
    settings.setValue(QStringLiteral("trustedCertificate"), site.trustedCertificate);
    settings.setValue(QStringLiteral("trustedHostKey"), site.trustedHostKey);
}

} // namespace

QList<Site> load() {
    QSettings settings = openSettings();
    QList<Site> sites;
    const int count = settings.beginReadArray(QStringLiteral("sites"));
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        Site site = readSite(settings);
        if (site.host.isEmpty())
            continue;
        if (site.id.isEmpty())
            site.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        sites.append(site);
    }
    settings.endArray();
    return sites;
}

void save(const QList<Site>& sites) {
    QSettings settings = openSettings();
    settings.remove(QStringLiteral("sites"));
    settings.beginWriteArray(QStringLiteral("sites"), int(sites.size()));
    for (int i = 0; i < sites.size(); ++i) {
        settings.setArrayIndex(i);
        writeSite(settings, sites.at(i));
    }
    settings.endArray();
    settings.sync();
}

Site store(Site site) {
    if (site.id.isEmpty())
        site.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QList<Site> sites = load();
    bool replaced = false;
    for (Site& existing : sites) {
        if (existing.id == site.id) {
            existing = site;
            replaced = true;
        }
    }
    if (!replaced)
        sites.append(site);
    save(sites);
    return site;
}

void remove(const QString& siteId) {
    QList<Site> sites = load();
    sites.removeIf([&](const Site& site) { return site.id == siteId; });
    save(sites);
}

} // namespace ftp::SiteStore
