#pragma once

#include <QString>
#include <QtGlobal>

namespace webserver {

// The per-user memory of the window: last folder and port. The local-network choice is
// deliberately not remembered, so every start is local-only unless asked again.
struct ServerSettings {
    QString folder;
    quint16 port = 8080;

    static ServerSettings load();
    void save() const;
};

} // namespace webserver
