// Browser windows: time from Ctrl+B to the (local) start page loaded, against a bare web view
// loading the same page, and the memory each further browser window adds to the process tree.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <unistd.h>

#include "app/AppSetup.h"
#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "bench/BenchSupport.h"
#include "browser/WebBrowser.h"
#include "browser/WebEngineStart.h"
#include "browser/WebEngineWarmUp.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/Settings.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr double kOpenTargetMs = 500;
constexpr double kWindowTargetMb = 120;
constexpr int kFurtherWindows = 3;

// Serves one small page for every path.
class LocalPage {
public:
    LocalPage() {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->peek(65536).contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    const QByteArray body = "<html><head><title>Start</title></head><body><h1>"
                                            "Start page</h1><p>A local page.</p></body></html>";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString address() const {
        return QStringLiteral("http://127.0.0.1:%1/start").arg(m_server.serverPort());
    }

private:
    QTcpServer m_server;
};

// Resident memory of this process and all its descendants, in megabytes.
double processTreeRssMb() {
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // The command name may hold spaces; the fields after its closing bracket are fixed.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children[fields[1].toLongLong()] << pid;
    }
    const double pageMb = double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
    double total = 0;
    QList<qint64> pending{qint64(getpid())};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
        if (statm.open(QIODevice::ReadOnly))
            total += statm.readAll().split(' ').value(1).toDouble() * pageMb;
        pending << children.value(pid);
    }
    return total;
}

using bench::pause;
using bench::runUntil;

bool waitForLoaded(frmBuiltInBrowser* window, const QString& title) {
    return runUntil(
        [&] { return !window->timTimer->isActive() && window->windowTitle() == title; });
}

// Ctrl+B on the main window until the start page's name is in the title.
double openSharedWindowMs(frmMain* main) {
    QElapsedTimer clock;
    clock.start();
    main->menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
    auto* window = qobject_cast<frmBuiltInBrowser*>(main->BuiltInBrowser.data());
    if (!window || !waitForLoaded(window, QStringLiteral("Start")))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

// The page shows once the view's area on the screen is mostly white with dark text on it.
bool pagePixelsShown(QWidget* view) {
    const QPoint origin = view->mapToGlobal(QPoint(0, 0));
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, origin.x(), origin.y(), view->width(), view->height())
                            .toImage();
    if (shot.isNull())
        return false;
    qsizetype light = 0;
    qsizetype dark = 0;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            const int grey = qGray(shot.pixel(x, y));
            light += grey > 240;
            dark += grey < 80;
        }
    }
    const qsizetype all = qsizetype(shot.width() / 2) * (shot.height() / 2);
    return all > 0 && light > all / 2 && dark > 0;
}

// Ctrl+B until the start page's pixels are on the screen (a real display only); -1 elsewhere.
double openSharedWindowPixelsMs(frmMain* main) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return -1;
    QElapsedTimer clock;
    clock.start();
    main->menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
    auto* window = qobject_cast<frmBuiltInBrowser*>(main->BuiltInBrowser.data());
    if (!window)
        return -1;
    // Looking costs a screen read: every few milliseconds, not on every turn of the loop.
    QElapsedTimer sinceLook;
    sinceLook.start();
    double loadedMs = -1;
    double lookingMs = 0;
    bool seen = false;
    const bool shown = runUntil([&] {
        if (seen)
            return true;
        if (loadedMs < 0 && !window->timTimer->isActive() &&
            window->windowTitle() == QLatin1String("Start"))
            loadedMs = double(clock.nsecsElapsed()) / 1e6;
        if (sinceLook.elapsed() < 5)
            return false;
        QElapsedTimer look;
        look.start();
        seen = pagePixelsShown(window->brwWebBrowser);
        lookingMs += double(look.nsecsElapsed()) / 1e6;
        sinceLook.start();
        return seen;
    });
    std::printf("    (loaded after %.1f ms; %.1f ms of it spent reading the screen)\n", loadedMs,
                lookingMs);
    return shown ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

double bareViewMs(const QString& address) {
    QElapsedTimer clock;
    clock.start();
    QWebEngineView view;
    view.resize(400, 300);
    view.show();
    bool done = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&] { done = true; });
    view.load(QUrl(address));
    if (!runUntil([&] { return done; }))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

void closeShared(frmMain* main) {
    main->BuiltInBrowser->close();
    pause(500); // let the closed window and its page go
}

} // namespace

int main(int argc, char** argv) {
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);

    const TestEnv env; // settings, program and data folders of its own

    LocalPage page;
    SaveSetting(modGeneral::appName(), QStringLiteral("Browser"), QStringLiteral("Home"),
                page.address());

    auto* main = new frmMain;
    modGeneral::setMainWindow(main);
    main->Load();
    main->resize(1000, 750);
    main->show();
    (void)QTest::qWaitForWindowExposed(main);
    const double editorOnlyMb = processTreeRssMb();

    if (app.arguments().contains(QStringLiteral("warm-up"))) {
        // The program's own start: the engine warms up once the main window is shown and idle.
        QElapsedTimer clock;
        clock.start();
        WebEngineWarmUp::schedule(main);
        if (!runUntil([] { return WebEngineWarmUp::finished(); }))
            std::printf("the warm-up did not finish\n");
        const double warmUpMs = double(clock.nsecsElapsed()) / 1e6;
        pause(1000);
        const double warmedMb = processTreeRssMb();
        const WId mainWindowBefore = main->winId();
        const double pixelsMs = openSharedWindowPixelsMs(main);
        const bool recreated = main->winId() != mainWindowBefore;
        const double firstMs = pixelsMs >= 0 ? pixelsMs : openSharedWindowMs(main);
        std::printf("  first use after the warm-up  %8.1f ms  target < 150 ms  %s  (%s)\n", firstMs,
                    firstMs >= 0 && firstMs < 150 ? "OK" : "OVER",
                    pixelsMs >= 0 ? "until its pixels show" : "until loaded");
        std::printf("  the first web view re-created the main window's native window: %s\n",
                    recreated ? "yes" : "no");
        std::printf("  pages drawn %s\n", WebEngineStart::drawsInSoftware()
                                              ? "in software (no graphics card for OpenGL)"
                                              : "through OpenGL");
        if (pixelsMs >= 0) {
            closeShared(main);
            const double laterMs = openSharedWindowPixelsMs(main);
            std::printf("  second use, pixels shown     %8.1f ms  (nothing prepared for it)\n",
                        laterMs);
        }
        std::printf("  (warm-up done %.0f ms after the window was shown, quiet time included)\n",
                    warmUpMs);
        std::printf(
            "  editor warmed up, no window  %8.1f MB  (warm-up costs %+.1f MB, its prepared "
            "page process included)\n",
            warmedMb, warmedMb - editorOnlyMb);
        main->setQuitOnUnload(false);
        delete main;
        return 0;
    }

    // First use starts the web engine itself; later uses find it running.
    const double coldMs = openSharedWindowMs(main);
    const double firstWindowMb = processTreeRssMb();
    closeShared(main);
    double warmMs = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double ms = openSharedWindowMs(main);
        warmMs = std::min(warmMs, ms < 0 ? 1e9 : ms);
        closeShared(main);
    }
    double baselineMs = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double ms = bareViewMs(page.address());
        baselineMs = std::min(baselineMs, ms < 0 ? 1e9 : ms);
    }

    // Memory: the shared window, then further link windows at the same page.
    openSharedWindowMs(main);
    pause(1000);
    const double sharedMb = processTreeRssMb();
    for (int i = 0; i < kFurtherWindows; ++i) {
        main->openLinkWindow(page.address());
        auto* window = qobject_cast<frmBuiltInBrowser*>(main->ActiveForm());
        if (!window || !waitForLoaded(window, QStringLiteral("Start")))
            std::printf("link window %d did not load\n", i + 1);
    }
    pause(1000);
    const double furtherMb = processTreeRssMb();
    const double perWindowMb = (furtherMb - sharedMb) / kFurtherWindows;

    // Other work on the machine slows the engine's processes down; say how busy it was.
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    const QByteArray load =
        loadAverage.open(QIODevice::ReadOnly) ? loadAverage.readAll().trimmed() : QByteArray("?");
    std::printf("browser: machine load average %s\n", load.constData());
    std::printf("browser: Ctrl+B to local start page loaded\n");
    const auto verdict = [](double ms) { return ms >= 0 && ms < kOpenTargetMs ? "OK" : "OVER"; };
    std::printf("  first use (engine starts)    %8.1f ms  target < %.0f ms  %s\n", coldMs,
                kOpenTargetMs, verdict(coldMs));
    std::printf("  engine running (best of 3)   %8.1f ms  target < %.0f ms  %s\n", warmMs,
                kOpenTargetMs, verdict(warmMs));
    std::printf("  baseline: bare web view      %8.1f ms  (window costs %+.1f ms)\n", baselineMs,
                warmMs - baselineMs);
    std::printf("browser: memory of the process tree (sum of RSS)\n");
    std::printf("  editor only                  %8.1f MB\n", editorOnlyMb);
    std::printf("  first browser window         %8.1f MB  (%+.1f MB)\n", firstWindowMb,
                firstWindowMb - editorOnlyMb);
    std::printf("  shared window open           %8.1f MB\n", sharedMb);
    std::printf("  + %d link windows             %8.1f MB\n", kFurtherWindows, furtherMb);
    std::printf("  per further window           %8.1f MB  target < %.0f MB  %s\n", perWindowMb,
                kWindowTargetMb, perWindowMb < kWindowTargetMb ? "OK" : "OVER");

    std::fflush(stdout);

    // The same first use in a fresh process whose engine warmed up while the editor was idle.
    QProcess warmed;
    warmed.setProcessChannelMode(QProcess::ForwardedChannels);
    warmed.start(QCoreApplication::applicationFilePath(), {QStringLiteral("warm-up")});
    if (!warmed.waitForFinished(120000))
        std::printf("the warm-up run did not finish\n");

    main->setQuitOnUnload(false);
    delete main;
    return 0;
}
