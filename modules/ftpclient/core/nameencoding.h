#pragma once

#include "site.h"

#include <QByteArray>
#include <QString>

namespace ftp {

// File names as bytes on the wire and back. Unmappable characters become '?'.
QByteArray encodeName(const QString& name, NameEncoding encoding);
QString decodeName(const QByteArray& bytes, NameEncoding encoding);

} // namespace ftp
