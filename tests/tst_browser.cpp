// Browser windows against pages served from this process: the shared window, link windows, the
// address box and list, the toolbar, the busy indicator and the layout.

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMutex>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include "app/frmMain.h"
#include "browser/WebBrowser.h"
#include "browser/WebEngineStart.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/SystemMenu.h"
#include "controls/ToolBar.h"
#include "controls/Twips.h"
#include "documents/frmDocument.h"
#include "resources/Texts.h"
#include "tests/support/TestEnv.h"

namespace {

// A small web site on the loopback interface. Every page is titled "Page <path>"; "/slow" answers
// only after a few seconds, "/mail" holds a mail link.
class LocalSite {
public:
    LocalSite() {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QString typed(const QString& path) const {
        return QStringLiteral("127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    int hits(const QString& path) const { return m_hits.value(path); }

private:
    void serve(QTcpSocket* socket) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray& request = m_pending[socket];
            request += socket->readAll();
            if (!request.contains("\r\n\r\n"))
                return;
            const QString path = QString::fromLatin1(request.split(' ').value(1));
            m_pending.remove(socket);
            if (path == QLatin1String("/favicon.ico")) {
                answer(socket, "404 Not Found", QByteArray());
                return;
            }
            ++m_hits[path];
            QByteArray body =
                "<html><head><title>Page " + path.toLatin1() + "</title></head><body>";
            if (path == QLatin1String("/mail"))
                body += "<a href=\"mailto:webrix@tarvelon.example\" style=\"display:block;"
                        "position:absolute;left:0;top:0;width:200px;height:100px\">mail</a>";
            body += "</body></html>";
            if (path == QLatin1String("/slow"))
                QTimer::singleShot(4000, socket,
                                   [socket, body] { answer(socket, "200 OK", body); });
            else
                answer(socket, "200 OK", body);
        });
    }
    static void answer(QTcpSocket* socket, const QByteArray& status, const QByteArray& body) {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" +
                      "Content-Length: " + QByteArray::number(body.size()) +
                      "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QHash<QString, int> m_hits;
};

// Keeps every request on the loopback interface and notes the ones that tried to leave it.
class OutsideBlocker : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (!url.scheme().startsWith(QLatin1String("http")) ||
            url.host() == QLatin1String("127.0.0.1"))
            return;
        QMutexLocker lock(&m_mutex);
        m_blocked << info.requestUrl().toString();
        info.block(true);
    }
    bool wasAsked(const QString& url) {
        QMutexLocker lock(&m_mutex);
        return m_blocked.contains(url);
    }

private:
    QMutex m_mutex;
    QStringList m_blocked;
};

frmBuiltInBrowser* sharedBrowser(frmMain* main) {
    return qobject_cast<frmBuiltInBrowser*>(main->BuiltInBrowser.data());
}

QStringList listEntries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

QList<frmBuiltInBrowser*> browserWindows(frmMain* main) {
    QList<frmBuiltInBrowser*> windows;
    for (QMdiSubWindow* child : main->childForms())
        if (auto* browser = qobject_cast<frmBuiltInBrowser*>(child))
            windows << browser;
    return windows;
}

// The page has loaded, the busy indicator has stopped and shows the page's name.
bool settledAt(frmBuiltInBrowser* window, const QString& title) {
    return !window->timTimer->isActive() && !window->brwWebBrowser->Busy() &&
           window->windowTitle() == title;
}

void pressButton(frmBuiltInBrowser* window, const QString& key) {
    window->tbToolBar->findChild<QAction*>(key)->trigger();
}

// Enter as the keyboard delivers it: to whichever widget of the box holds the focus.
void pressEnter(frmBuiltInBrowser* window) {
    window->cboAddress->setFocus();
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target && window->cboAddress->isAncestorOf(target) ? target
                                                                       : window->cboAddress,
                    Qt::Key_Return);
}

void typeAddress(frmBuiltInBrowser* window, const QString& text) {
    window->cboAddress->lineEdit()->selectAll();
    QTest::keyClicks(window->cboAddress, text);
}

constexpr int kLoadTimeout = 20000;

// A shown main window whose browser windows start at the given page.
frmMain* mainWithStartPage(TestEnv& env, const QString& address) {
    env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"), address);
    return env.createMainWindow();
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT
public slots:
    void openedByDesktop(const QUrl& url) { m_desktopUrls << url; }

private slots:
    void initTestCase() {
        WebEngineStart::profile()->setUrlRequestInterceptor(&m_blocker);
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openedByDesktop");
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    }

    void startPageShowsWorkingThenThePageName() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        QCOMPARE(main->menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+B")));
        main->menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();

        frmBuiltInBrowser* window = sharedBrowser(main);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(main->ActiveForm(), window);
        QCOMPARE(window->StartingAddress, site.address("/a"));
        QCOMPARE(window->cboAddress->currentText(), site.address("/a"));
        QCOMPARE(listEntries(window->cboAddress), QStringList{site.address("/a")});
        QVERIFY(window->timTimer->isActive());
        QCOMPARE(window->timTimer->interval(), 5);
        QSignalSpy titles(window, &QWidget::windowTitleChanged);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);
        // "Working..." while loading, then the page's name and nothing after it.
        QVERIFY(!titles.isEmpty());
        QCOMPARE(titles.first().first().toString(), QStringLiteral("Working..."));
        QCOMPARE(titles.last().first().toString(), QStringLiteral("Page /a"));
        QTest::qWait(100);
        QCOMPARE(titles.last().first().toString(), QStringLiteral("Page /a"));
        QCOMPARE(site.hits("/a"), 1);
        // The completed page is already the list's only entry: nothing is doubled.
        QCOMPARE(listEntries(window->cboAddress), QStringList{site.address("/a")});
        QCOMPARE(main->windowTitle(), Texts::AppTitle);

        // The window's furniture.
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(window->lblAddress->text(), QStringLiteral("&Address:"));
        QCOMPARE(window->lblAddress->buddy(), window->cboAddress);
        QVERIFY(window->cboAddress->isEditable());
        QCOMPARE(window->cboAddress->pos(), QPoint(twipsToPixelsX(50), twipsToPixelsY(330)));
        QCOMPARE(window->brwWebBrowser->pos(), QPoint(twipsToPixelsX(45), twipsToPixelsY(1320)));
        QCOMPARE(window->tbToolBar->iconSize(), QSize(24, 24));
        const QStringList keys = {"Back", "Forward", "Stop",    "Refresh",
                                  "Home", "Search",  "Tarvelon"};
        QCOMPARE(window->tbToolBar->Buttons().size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            QAction* button = window->tbToolBar->Button(i + 1);
            QCOMPARE(button->objectName(), keys[i]);
            QVERIFY(!button->icon().isNull());
            QCOMPARE(ToolBar::ToolTipText(button),
                     i < 6 ? keys[i] : QStringLiteral("Go to Tarvelon's homepage"));
            QVERIFY(!window->tbToolBar->widgetForAction(button)->accessibleName().isEmpty());
        }
        const QList<QAction*> all = window->tbToolBar->actions();
        QVERIFY(all[6]->isSeparator()); // between "Search" and the maker's button

        // Alt+A reaches the address box from the page, ahead of the main menu's "&Ablak", and
        // types nothing into it.
        window->brwWebBrowser->setFocus();
        QTRY_VERIFY(QApplication::focusWidget() &&
                    window->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(window->cboAddress->hasFocus() || window->cboAddress->lineEdit()->hasFocus());
        QCOMPARE(window->cboAddress->currentText(), site.address("/a"));
        QVERIFY(!QApplication::activePopupWidget());
    }

    // Desktops give a child window's Close command different keys: Ctrl+F4 and Ctrl+W, or only
    // Ctrl+W. Either way the window closes with Ctrl+F4 alone and Ctrl+W stays the main menu's.
    void aChildWindowClosesWithCtrlF4WhateverKeysTheDesktopGives() {
        const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
        const QKeySequence ctrlF4(Qt::CTRL | Qt::Key_F4);
        for (const QList<QKeySequence>& given :
             {QList<QKeySequence>{ctrlF4, ctrlW}, QList<QKeySequence>{ctrlW}}) {
            QMainWindow main;
            auto* area = new QMdiArea;
            main.setCentralWidget(area);
            QAction* menuCommand = main.addAction(QStringLiteral("Web szerver"));
            menuCommand->setShortcut(ctrlW);
            QSignalSpy menuUsed(menuCommand, &QAction::triggered);
            auto* child = new QMdiSubWindow;
            auto* inside = new QLineEdit;
            child->setWidget(inside);
            area->addSubWindow(child);
            QAction* close = nullptr;
            for (QAction* action : child->systemMenu()->actions())
                if (action->shortcuts().contains(QKeySequence::Close))
                    close = action;
            QVERIFY(close);
            close->setShortcuts(given);
            limitCloseShortcut(child);
            main.show();
            main.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&main));
            child->show();
            inside->setFocus();
            QTRY_VERIFY(inside->hasFocus());

            QTest::keyClick(inside, Qt::Key_W, Qt::ControlModifier);
            QCOMPARE(menuUsed.size(), 1);
            QVERIFY(area->subWindowList().contains(child));
            QTest::keyClick(inside, Qt::Key_F4, Qt::ControlModifier);
            QTRY_VERIFY(!child->isVisible());
            QCOMPARE(menuUsed.size(), 1);
        }
    }

    void ctrlWReachesTheModulesMenuFromTheBrowserWindow() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        main->menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
        frmBuiltInBrowser* window = sharedBrowser(main);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);
        QAction* webServer = main->menuItem(QStringLiteral("mnuModulesWebServer"));
        QObject::disconnect(webServer, &QAction::triggered, main, nullptr);
        QSignalSpy started(webServer, &QAction::triggered);

        // From the page.
        window->brwWebBrowser->setFocus();
        QTRY_VERIFY(QApplication::focusWidget() &&
                    window->brwWebBrowser->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(started.size(), 1);

        // From the address box.
        window->cboAddress->lineEdit()->setFocus();
        QTRY_VERIFY(window->cboAddress->lineEdit()->hasFocus());
        QTest::keyClick(window->cboAddress->lineEdit(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(started.size(), 2);
        QCOMPARE(browserWindows(main).size(), 1);

        // Ctrl+F4 stays the window's own close.
        QTest::keyClick(window->cboAddress->lineEdit(), Qt::Key_F4, Qt::ControlModifier);
        QTRY_VERIFY(browserWindows(main).isEmpty());
        QCOMPARE(started.size(), 2);
    }

    void emptyAndDefaultStartPages() {
        TestEnv env;
        frmMain* main = env.createMainWindow();

        // Nothing stored: the maker's site, which the test keeps from leaving the machine.
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* window = sharedBrowser(main);
        QCOMPARE(window->cboAddress->currentText(), Texts::MakerSiteAddress);
        QCOMPARE(listEntries(window->cboAddress).first(), Texts::MakerSiteAddress);
        QTRY_VERIFY_WITH_TIMEOUT(m_blocker.wasAsked(Texts::MakerSiteAddress), kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!window->timTimer->isActive(), kLoadTimeout);

        // An empty start page, stored while the window is open, counts from the next load.
        env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"), QString());
        main->mnuExtrasBuiltInBrowser_Click();
        QCOMPARE(sharedBrowser(main), window);
        QCOMPARE(window->cboAddress->currentText(), Texts::MakerSiteAddress);
        window->close();
        QVERIFY(env.messages.isEmpty()); // closing asks nothing
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* blank = sharedBrowser(main);
        QVERIFY(blank && blank != window);
        QCOMPARE(blank->StartingAddress, QString());
        QCOMPARE(blank->cboAddress->count(), 0);
        QCOMPARE(blank->cboAddress->currentText(), QString());
        QVERIFY(!blank->timTimer->isActive());
        QTest::qWait(300);
        QCOMPARE(blank->windowTitle(), QString());
        QVERIFY(blank->brwWebBrowser->url().isEmpty());
        QCOMPARE(blank->cboAddress->pos(), QPoint(twipsToPixelsX(50), twipsToPixelsY(330)));

        // The maker's button still works in the blank window.
        pressButton(blank, QStringLiteral("Tarvelon"));
        QVERIFY(blank->timTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(blank->brwWebBrowser->url(), QUrl(Texts::MakerSiteAddress),
                                  kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!blank->timTimer->isActive(), kLoadTimeout);
        QCOMPARE(blank->cboAddress->currentText(), QString());

        // A browser window counts as an open child: File > Exit refuses.
        for (QMdiSubWindow* child : main->childForms())
            if (auto* document = qobject_cast<frmDocument*>(child))
                document->Unload();
        QTRY_COMPARE(main->childForms().size(), 1);
        QSignalSpy unloaded(main, &frmMain::unloaded);
        main->menuItem(QStringLiteral("mnuFileExit"))->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(unloaded.size(), 0);
    }

    void sharedWindowIsReusedAndReloadedAfterClosing() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* window = sharedBrowser(main);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);

        // Another child in front, then the command again: the same window comes forward as it is.
        typeAddress(window, site.typed("/b"));
        pressEnter(window);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);
        frmDocument* document = main->NewDocumentWindow();
        QCOMPARE(main->ActiveForm(), document);
        main->mnuExtrasBuiltInBrowser_Click();
        QCOMPARE(main->ActiveForm(), window);
        QCOMPARE(browserWindows(main).size(), 1);
        QVERIFY(!window->timTimer->isActive());
        QTest::qWait(300);
        QCOMPARE(site.hits("/a"), 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("Page /b"));

        // Closed with its close box, then loaded afresh at the start page now stored.
        window->close();
        QVERIFY(env.messages.isEmpty());
        env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"), site.address("/c"));
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* fresh = sharedBrowser(main);
        QVERIFY(fresh != window);
        QCOMPARE(main->ActiveForm(), fresh);
        QCOMPARE(listEntries(fresh->cboAddress), QStringList{site.address("/c")});
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(fresh, QStringLiteral("Page /c")), kLoadTimeout);
        QTRY_COMPARE(browserWindows(main).size(), 1);
    }

    void linkWindowsAreNewEachTime() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        main->openLinkWindow(site.address("/b"));
        main->openLinkWindow(site.address("/b"));
        const QList<frmBuiltInBrowser*> windows = browserWindows(main);
        QCOMPARE(windows.size(), 2);
        QVERIFY(!main->BuiltInBrowser);
        QCOMPARE(main->ActiveForm(), windows.last());
        for (frmBuiltInBrowser* window : windows) {
            QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);
            QCOMPARE(window->brwWebBrowser->url(), QUrl(site.address("/b")));
            QCOMPARE(window->StartingAddress, site.address("/a"));
            QCOMPARE(window->cboAddress->currentText(), site.address("/a"));
        }
        QCOMPARE(site.hits("/b"), 2);

        // A start page stored now counts for the next window only.
        env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"), site.address("/c"));
        main->mnuExtrasBuiltInBrowser_Click();
        QCOMPARE(sharedBrowser(main)->cboAddress->currentText(), site.address("/c"));
        QCOMPARE(windows.first()->cboAddress->currentText(), site.address("/a"));
        QCOMPARE(windows.first()->brwWebBrowser->url(), QUrl(site.address("/b")));

        // The maker's button works in a link window as well.
        pressButton(windows.first(), QStringLiteral("Tarvelon"));
        QTRY_COMPARE_WITH_TIMEOUT(windows.first()->brwWebBrowser->url(),
                                  QUrl(Texts::MakerSiteAddress), kLoadTimeout);
        QVERIFY(m_blocker.wasAsked(Texts::MakerSiteAddress));

        // A link that is no address at all still opens a window that keeps working.
        main->openLinkWindow(QStringLiteral(":: \x01 nonsense ::"));
        auto* odd = qobject_cast<frmBuiltInBrowser*>(main->ActiveForm());
        QVERIFY(odd && !windows.contains(odd));
        QTRY_VERIFY_WITH_TIMEOUT(!odd->timTimer->isActive(), kLoadTimeout);
        QVERIFY(odd->windowTitle() != QLatin1String("Working..."));
        QVERIFY(env.messages.isEmpty());
    }

    void addressBoxEnterListPicksAndHistory() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* window = sharedBrowser(main);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);

        // Enter navigates to the text as typed; the engine completes the scheme. The text is
        // not added by the box, but the completed page goes to the top of the list.
        typeAddress(window, site.typed("/b"));
        pressEnter(window);
        QVERIFY(window->timTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);
        QCOMPARE(window->cboAddress->currentText(), site.typed("/b"));
        QCOMPARE(listEntries(window->cboAddress),
                 (QStringList{site.address("/b"), site.address("/a")}));
        QCOMPARE(site.hits("/b"), 1);

        // Typing a list entry's text and leaving the box does not navigate.
        typeAddress(window, site.address("/a"));
        window->brwWebBrowser->setFocus();
        window->cboAddress->clearFocus();
        QTest::qWait(300);
        QCOMPARE(site.hits("/a"), 1);
        // Enter on that text navigates once, and the list's own reordering starts nothing.
        window->cboAddress->setFocus();
        pressEnter(window);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);
        QTest::qWait(300);
        QCOMPARE(site.hits("/a"), 2);
        QCOMPARE(listEntries(window->cboAddress),
                 (QStringList{site.address("/a"), site.address("/b")}));

        // Picking an entry with the arrow keys navigates to it.
        QTest::keyClick(window->cboAddress, Qt::Key_Down);
        QCOMPARE(window->cboAddress->currentText(), site.address("/b"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);
        QCOMPARE(site.hits("/b"), 2);
        QCOMPARE(listEntries(window->cboAddress),
                 (QStringList{site.address("/b"), site.address("/a")}));

        // Picking the entry that is already shown navigates there again.
        window->cboAddress->setCurrentIndex(0);
        emit window->cboAddress->activated(0);
        QTRY_COMPARE_WITH_TIMEOUT(site.hits("/b"), 3, kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);

        // An empty box passes the empty text on: a blank page.
        typeAddress(window, QString());
        window->cboAddress->lineEdit()->clear();
        pressEnter(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->brwWebBrowser->url(), QUrl(QStringLiteral("about:blank")),
                                  kLoadTimeout);
        QCOMPARE(window->cboAddress->currentText(), QString());
        QCOMPARE(main->windowTitle(), Texts::AppTitle);

        // A mail address goes to the desktop's mail handler, typed or as a link.
        m_desktopUrls.clear();
        typeAddress(window, QStringLiteral("mailto:hibak@tarvelon.example"));
        pressEnter(window);
        QCOMPARE(m_desktopUrls, QList<QUrl>{QUrl(QStringLiteral("mailto:hibak@tarvelon.example"))});
        window->brwWebBrowser->Navigate(site.address("/mail"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /mail")), kLoadTimeout);
        QWidget* pageArea = window->brwWebBrowser->focusProxy();
        QVERIFY(pageArea);
        QTest::mouseClick(pageArea, Qt::LeftButton, {}, QPoint(40, 40));
        QTRY_COMPARE_WITH_TIMEOUT(m_desktopUrls.size(), 2, kLoadTimeout);
        QCOMPARE(m_desktopUrls.last(), QUrl(QStringLiteral("mailto:webrix@tarvelon.example")));
        QTest::qWait(300);
        QCOMPARE(m_desktopUrls.size(), 2); // handed over once, not also by the engine
        QCOMPARE(window->brwWebBrowser->url(), QUrl(site.address("/mail")));
    }

    void toolbarButtons() {
        TestEnv env;
        LocalSite site;
        frmMain* main = mainWithStartPage(env, site.address("/a"));
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* window = sharedBrowser(main);
        WebBrowser* browser = window->brwWebBrowser;
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);

        // Back at the start of the history: nothing happens and nothing is said.
        pressButton(window, QStringLiteral("Back"));
        QTRY_VERIFY(settledAt(window, QStringLiteral("Page /a")));
        QCOMPARE(browser->url(), QUrl(site.address("/a")));
        QVERIFY(env.messages.isEmpty());

        browser->Navigate(site.address("/b"));
        QTRY_VERIFY_WITH_TIMEOUT(browser->url() == QUrl(site.address("/b")) && !browser->Busy(),
                                 kLoadTimeout);
        pressButton(window, QStringLiteral("Back"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /a")), kLoadTimeout);
        pressButton(window, QStringLiteral("Forward"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);
        pressButton(window, QStringLiteral("Forward")); // at the end: nothing
        QTRY_VERIFY(settledAt(window, QStringLiteral("Page /b")));

        const int before = site.hits("/b");
        pressButton(window, QStringLiteral("Refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(site.hits("/b"), before + 1, kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Page /b")), kLoadTimeout);

        // The component's own pages, not the start page of the settings.
        pressButton(window, QStringLiteral("Home"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Kezdőlap")), kLoadTimeout);
        QCOMPARE(browser->LocationURL(), QStringLiteral("about:home"));
        pressButton(window, QStringLiteral("Search"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Keresés")), kLoadTimeout);
        QCOMPARE(browser->LocationURL(), QStringLiteral("about:search"));
        pressButton(window, QStringLiteral("Back"));
        QTRY_VERIFY_WITH_TIMEOUT(settledAt(window, QStringLiteral("Kezdőlap")), kLoadTimeout);
        QCOMPARE(site.hits("/a"), 1);

        // A key nobody knows starts the busy timer, which then stops by itself.
        window->tbToolBar_ButtonClick(QStringLiteral("back"));
        QVERIFY(window->timTimer->isActive());
        QTRY_VERIFY(settledAt(window, QStringLiteral("Kezdőlap")));

        // Stop during a slow load: the timer stops and the title is the page name at once.
        browser->Navigate(site.address("/slow"));
        window->timTimer->start();
        QTRY_COMPARE(window->windowTitle(), QStringLiteral("Working..."));
        QTRY_VERIFY_WITH_TIMEOUT(site.hits("/slow") == 1, kLoadTimeout);
        pressButton(window, QStringLiteral("Stop"));
        QVERIFY(!window->timTimer->isActive());
        QVERIFY(!browser->Busy());
        QCOMPARE(window->windowTitle(), browser->LocationName());
        QVERIFY(window->windowTitle() != QLatin1String("Working..."));
        QTest::qWait(300);
        QVERIFY(window->windowTitle() != QLatin1String("Working..."));
        QCOMPARE(env.messages.size(), 0);
    }

    void layoutFollowsTheWindowAndNeverGoesNegative() {
        TestEnv env;
        env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"), QString());
        frmMain* main = env.createMainWindow();
        main->mnuExtrasBuiltInBrowser_Click();
        frmBuiltInBrowser* window = sharedBrowser(main);
        QWidget* client = window->widget();
        for (const QSize size : {QSize(700, 500), QSize(400, 300), QSize(60, 40), QSize(20, 20)}) {
            window->resize(size);
            const double width = pixelsToTwipsX(client->width());
            const double height = pixelsToTwipsY(client->height());
            QCOMPARE(window->tbToolBar->width(), client->width());
            QCOMPARE(window->picAddress->width(), client->width());
            QCOMPARE(window->cboAddress->width(), twipsToPixelsX(std::max(0.0, width - 100)));
            QCOMPARE(window->brwWebBrowser->width(), twipsToPixelsX(std::max(0.0, width - 100)));
            QCOMPARE(window->brwWebBrowser->height(),
                     twipsToPixelsY(std::max(0.0, height - 1215 - 100)));
            QVERIFY(window->brwWebBrowser->width() >= 0 && window->brwWebBrowser->height() >= 0);
            QCOMPARE(window->brwWebBrowser->pos(),
                     QPoint(twipsToPixelsX(45), twipsToPixelsY(1320)));
        }
        window->showMinimized();
        window->showNormal();
        QVERIFY(window->cboAddress->width() >= 0);
    }

private:
    OutsideBlocker m_blocker;
    QList<QUrl> m_desktopUrls;
};

WEBRIX_TEST_MAIN(BrowserTest)
#include "tst_browser.moc"
