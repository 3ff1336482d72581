#include "browser/WebBrowserPage.h"

#include <QDesktopServices>
#include <QWebEngineProfile>

#include "browser/PreviewPages.h"
#include "browser/WebEngineStart.h"

WebBrowserPage::WebBrowserPage(QObject* parent)
    : QWebEnginePage(WebEngineStart::profile(), parent) {}

bool WebBrowserPage::isShownScheme(const QString& scheme) {
    static const QStringList shown = {QStringLiteral("http"),       QStringLiteral("https"),
                                      QStringLiteral("file"),       QStringLiteral("about"),
                                      QStringLiteral("data"),       QStringLiteral("blob"),
                                      QStringLiteral("qrc"),        QStringLiteral("view-source"),
                                      QStringLiteral("javascript"), QStringLiteral("filesystem")};
    const QString name = scheme.toLower();
    return shown.contains(name) || name == QLatin1String(PreviewPages::Scheme);
}

bool WebBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                             bool isMainFrame) {
    if (!isShownScheme(url.scheme())) {
        // The engine would drop these without a word; the desktop knows the user's mail program.
        QDesktopServices::openUrl(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
