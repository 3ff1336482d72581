#include "browser/WebBrowser.h"

#include <QDesktopServices>
#include <QWebEngineHistory>

#include "browser/BuiltInPages.h"
#include "browser/WebBrowserPage.h"

namespace {
QUrl blankPage() {
    return QUrl(QStringLiteral("about:blank"));
}
} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent) {
    setPage(new WebBrowserPage(this));
    m_requestTimeout.setSingleShot(true);
    m_requestTimeout.setInterval(kRequestTimeoutMs);
    connect(&m_requestTimeout, &QTimer::timeout, this, &WebBrowser::requestSettled);
    connect(this, &QWebEngineView::loadStarted, this, &WebBrowser::requestSettled);
    connect(this, &QWebEngineView::urlChanged, this, &WebBrowser::requestSettled);
    connect(this, &QWebEngineView::loadFinished, this, [this] {
        requestSettled();
        if (m_forgetBlank && url() != blankPage()) {
            // The user's first page has arrived: only it stays in the history.
            history()->clear();
            m_forgetBlank = false;
        }
        emit NavigateComplete(LocationURL());
        emit DownloadComplete();
    });
}

void WebBrowser::prepareInAdvance() {
    m_forgetBlank = true;
    connect(
        this, &QWebEngineView::loadFinished, this, [this] { m_preparedReady = true; },
        Qt::SingleShotConnection);
    load(blankPage());
}

bool WebBrowser::backIsPreparedBlank() const {
    return m_forgetBlank && history()->currentItemIndex() == 1 &&
           history()->backItem().url() == blankPage();
}

void WebBrowser::Navigate(const QString& address) {
    const QUrl url = address.isEmpty() ? blankPage() : QUrl::fromUserInput(address);
    if (!url.isValid())
        return;
    if (url == BuiltInPages::homePageUrl()) {
        GoHome();
    } else if (url == BuiltInPages::searchPageUrl()) {
        GoSearch();
    } else if (!WebBrowserPage::isShownScheme(url.scheme())) {
        QDesktopServices::openUrl(url);
    } else {
        requestStarted();
        load(url);
    }
}

void WebBrowser::GoBack() {
    if (!history()->canGoBack() || backIsPreparedBlank())
        return;
    requestStarted();
    back();
}

void WebBrowser::GoForward() {
    if (!history()->canGoForward())
        return;
    requestStarted();
    forward();
}

void WebBrowser::GoHome() {
    requestStarted();
    setHtml(BuiltInPages::homePageHtml(), BuiltInPages::homePageUrl());
}

void WebBrowser::GoSearch() {
    requestStarted();
    setHtml(BuiltInPages::searchPageHtml(), BuiltInPages::searchPageUrl());
}

void WebBrowser::Refresh() {
    if (url().isEmpty())
        return;
    requestStarted();
    reload();
}

void WebBrowser::Stop() {
    requestSettled();
    stop();
}

bool WebBrowser::Busy() const {
    return m_requested || page()->isLoading();
}

QString WebBrowser::LocationName() const {
    const QString name = title();
    return name.isEmpty() ? LocationURL() : name;
}

QString WebBrowser::LocationURL() const {
    return url().toString();
}

void WebBrowser::requestStarted() {
    m_requested = true;
    m_requestTimeout.start();
}

void WebBrowser::requestSettled() {
    m_requested = false;
    m_requestTimeout.stop();
}
