#pragma once

#include <QByteArray>
#include <QString>

namespace webserver {

// A plain HTML page (UTF-8) listing a folder that has no index page. urlPath is the folder's
// address ending in '/'; hidden entries and links leading outside canonicalRoot are left out.
QByteArray directoryListingHtml(const QString& canonicalRoot, const QString& directoryPath,
                                const QString& urlPath);

} // namespace webserver
