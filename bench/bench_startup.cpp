// Start-up: from the splash timer to the main window shown, against a bare main window shown in
// the same run; and the whole process from its start.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTest>

#include "app/AppSetup.h"
#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "bench/BenchSupport.h"
#include "tests/support/TestEnv.h"

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {
// Milliseconds since this process started, where the system tells.
double msSinceProcessStart() {
#ifdef Q_OS_LINUX
    QFile stat("/proc/self/stat");
    QFile uptime("/proc/uptime");
    if (stat.open(QIODevice::ReadOnly) && uptime.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = stat.readAll().split(' ');
        const double up = uptime.readAll().split(' ').value(0).toDouble();
        if (fields.size() > 21) {
            const double started = fields[21].toDouble() / double(sysconf(_SC_CLK_TCK));
            return (up - started) * 1000.0;
        }
    }
#endif
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    const double processMs = msSinceProcessStart();

    const TestEnv env; // settings, program and data folders of its own

    const double bareMs = bench::medianMs(5, [] {
        QMainWindow window;
        window.resize(433, 433);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    });
    const double mainMs = bench::medianMs(5, [] {
        frmMain window;
        window.Load();
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    });
    bench::print("process start to event loop ready (clock ticks of 10 ms)", processMs, "ms");
    bench::print("bare main window shown (baseline)", bareMs, "ms");
    bench::print("main window created, loaded and shown", mainMs, "ms", "target 150 ms");
    return 0;
}
