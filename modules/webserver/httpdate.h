#pragma once

#include <QByteArray>
#include <QDateTime>

namespace webserver {

// IMF-fixdate, e.g. "Sun, 06 Nov 1994 08:49:37 GMT".
QByteArray formatHttpDate(const QDateTime& time);

// Accepts IMF-fixdate only (what every current browser sends); invalid QDateTime otherwise.
QDateTime parseHttpDate(const QByteArray& text);

} // namespace webserver
