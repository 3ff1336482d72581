#pragma once
// Small helpers shared by the benchmarks: timing, sample pages and printed figures.

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace bench {

// Median of several runs, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// An HTML page of about `bytes` bytes in Windows-1250: tags, Hungarian text, CR LF lines.
inline QByteArray samplePage(qsizetype bytes) {
    static const QByteArray line = QByteArray("<tr><td class=\"c\">") +
                                   QByteArray("\xC1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p") +
                                   "</td><td><a href=\"x.html\">link</a><br></td></tr>\r\n";
    QByteArray page;
    page.reserve(bytes + line.size());
    page.append("<html><body><table>\r\n");
    while (page.size() < bytes)
        page.append(line);
    page.append("</table></body></html>\r\n");
    return page;
}

inline void print(const QString& what, double value, const QString& unit,
                  const QString& note = QString()) {
    QTextStream out(stdout);
    out << qSetFieldWidth(58) << Qt::left << what << qSetFieldWidth(0)
        << QString::number(value, 'f', 2) << ' ' << unit;
    if (!note.isEmpty())
        out << "   " << note;
    out << Qt::endl;
}

// Runs a real event loop until the condition holds. QTest's waiting sleeps between rounds of
// events, which starves the web engine's own task queue and would measure the test, not the window.
template <typename Condition> bool runUntil(Condition condition, int timeoutMs = 30000) {
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return condition();
}

// Processor time of the calling thread, in milliseconds: what a key cost the user-interface
// thread itself, whatever else the (shared) machine was doing.
inline double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Runs the event loop until `clock` reaches dueMs; late when the loop was busy at that moment.
inline void waitUntil(const QElapsedTimer& clock, qint64 dueMs) {
    const qint64 left = dueMs - clock.elapsed();
    if (left <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the event loop run for a while, so windows and pages settle.
inline void pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

} // namespace bench
