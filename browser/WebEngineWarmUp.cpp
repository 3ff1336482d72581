#include "browser/WebEngineWarmUp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWidget>

namespace {
// How long the user must leave the program alone before the engine starts: its start holds the
// event loop for a while, which should not land on a key being typed.
constexpr int kQuietMs = 1000;
// A blank page that never reports back is let go after this long.
constexpr int kGiveUpMs = 30000;

bool g_scheduled = false;
bool g_started = false;
bool g_finished = false;

class WarmUp : public QObject {
public:
    explicit WarmUp(QWidget* window) : QObject(window), m_window(window) {
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(kQuietMs);
        connect(&m_quiet, &QTimer::timeout, this, &WarmUp::start);
        QCoreApplication::instance()->installEventFilter(this);
        // The page must be gone before the engine shuts down with the program.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            delete m_page; // no event loop left to do it later
            finish();
        });
        m_quiet.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            if (m_quiet.isActive())
                m_quiet.start(); // the user is busy: wait for a pause
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void start() {
        if (!m_window || !m_window->isVisible()) {
            m_quiet.start(); // not shown yet (or hidden): try again later
            return;
        }
        QCoreApplication::instance()->removeEventFilter(this);
        g_started = true;
        m_page = new QWebEnginePage(this);
        connect(m_page, &QWebEnginePage::loadFinished, this, &WarmUp::finish);
        QTimer::singleShot(kGiveUpMs, this, &WarmUp::finish);
        m_page->load(QUrl(QStringLiteral("about:blank")));
    }

    void finish() {
        if (m_page)
            m_page->deleteLater();
        m_page = nullptr;
        if (g_started)
            g_finished = true;
        m_quiet.stop();
    }

    QPointer<QWidget> m_window;
    QTimer m_quiet;
    QPointer<QWebEnginePage> m_page;
};
} // namespace

namespace WebEngineWarmUp {

void Schedule(QWidget* window) {
    if (g_scheduled || !window)
        return;
    g_scheduled = true;
    new WarmUp(window);
}

bool Started() {
    return g_started;
}

bool Finished() {
    return g_finished;
}

} // namespace WebEngineWarmUp
