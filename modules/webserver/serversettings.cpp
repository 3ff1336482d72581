#include "serversettings.h"

#include <QSettings>

namespace webserver {

ServerSettings ServerSettings::load() {
    ServerSettings settings;
    const QSettings stored(QSettings::defaultFormat(), QSettings::UserScope,
                           QStringLiteral("Webrix"), QStringLiteral("WebServer"));
    settings.folder = stored.value(QStringLiteral("folder")).toString();
    bool ok = false;
    const int port = stored.value(QStringLiteral("port")).toInt(&ok);
    // A hand-edited or damaged value falls back to the default rather than failing to start.
    if (ok && port >= 1 && port <= 65535)
        settings.port = static_cast<quint16>(port);
    return settings;
}

void ServerSettings::save() const {
    QSettings stored(QSettings::defaultFormat(), QSettings::UserScope, QStringLiteral("Webrix"),
                     QStringLiteral("WebServer"));
    stored.setValue(QStringLiteral("folder"), folder);
    stored.setValue(QStringLiteral("port"), port);
}

} // namespace webserver
