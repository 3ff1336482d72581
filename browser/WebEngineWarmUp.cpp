#include "browser/WebEngineWarmUp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "browser/WebBrowser.h"

namespace {
// How long the user must leave the program alone before the engine starts: its start holds the
// event loop for a while, which should not land on a key being typed.
constexpr int kQuietMs = 1000;
// A blank page that never reports back is given up after this long.
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
            delete m_browser; // no event loop left to do it later
            finish();
        });
        m_quiet.start();
    }
    ~WarmUp() override { delete m_browser; }

    WebBrowser* take() {
        if (!m_browser || !m_browser->preparedInAdvance())
            return nullptr;
        WebBrowser* browser = m_browser;
        disconnect(browser, nullptr, this, nullptr);
        m_browser = nullptr;
        return browser;
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
        // Never shown on its own: a window that takes it over shows it.
        m_browser = new WebBrowser;
        connect(m_browser, &QWebEngineView::loadFinished, this, &WarmUp::finish);
        QTimer::singleShot(kGiveUpMs, this, [this] {
            if (m_browser && !m_browser->preparedInAdvance())
                m_browser->deleteLater(); // a window makes its own component instead
            finish();
        });
        m_browser->prepareInAdvance();
    }

    void finish() {
        if (g_started)
            g_finished = true;
        m_quiet.stop();
    }

    QPointer<QWidget> m_window;
    QTimer m_quiet;
    QPointer<WebBrowser> m_browser;
};

QPointer<WarmUp> g_warmUp;
} // namespace

namespace WebEngineWarmUp {

void schedule(QWidget* window) {
    if (g_scheduled || !window)
        return;
    g_scheduled = true;
    g_warmUp = new WarmUp(window);
}

WebBrowser* takePreparedBrowser() {
    return g_warmUp ? g_warmUp->take() : nullptr;
}

bool started() {
    return g_started;
}

bool finished() {
    return g_finished;
}

} // namespace WebEngineWarmUp
