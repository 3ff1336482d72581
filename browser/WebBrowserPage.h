#pragma once
// The page behind a browser view: hands addresses the engine cannot show (mail, news and the
// like) to the desktop's own handler instead of dropping them silently.

#include <QWebEnginePage>

class WebBrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WebBrowserPage(QObject* parent = nullptr);

    // Schemes the engine renders itself.
    static bool isShownScheme(const QString& scheme);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
