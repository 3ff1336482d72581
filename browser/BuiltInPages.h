#pragma once
// The browser component's own home and search pages. They are built in, so going home or to the
// search page never depends on the network or on the user's settings.

#include <QString>
#include <QUrl>

namespace BuiltInPages {

QUrl homePageUrl();
QUrl searchPageUrl();
QString homePageHtml();
QString searchPageHtml();

} // namespace BuiltInPages
