#include "browser/DocumentPreview.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QPromise>
#include <QThreadPool>
#include <QWebEnginePage>
#include <memory>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "browser/PreviewPages.h"
#include "browser/WebBrowser.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"

DocumentPreview::DocumentPreview(RichTextBox* box, std::function<QString()> filePath,
                                 QObject* parent)
    : QObject(parent), m_box(box), m_filePath(std::move(filePath)),
      m_page(PreviewPages::instance() ? PreviewPages::instance()->addPage() : QString()) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(kFollowDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &DocumentPreview::follow);
    connect(box, &RichTextBox::Change, this, &DocumentPreview::textChanged);
    connect(&m_encoding, &QFutureWatcher<Encoded>::finished, this, [this] {
        if (std::exchange(m_encodeAgain, false)) {
            encode(); // the text changed meanwhile: the newer one is shown instead
            return;
        }
        if (m_encoding.future().resultCount() > 0)
            publish(m_encoding.future().result());
    });
}

DocumentPreview::~DocumentPreview() {
    if (PreviewPages* pages = PreviewPages::instance())
        pages->removePage(m_page);
    if (m_window)
        m_window->close();
}

frmBuiltInBrowser* DocumentPreview::window() const {
    return m_window;
}

QUrl DocumentPreview::pageUrl() const {
    const PreviewPages* pages = PreviewPages::instance();
    return pages ? pages->pageUrl(m_page) : QUrl();
}

void DocumentPreview::textChanged() {
    if (m_window)
        m_delay.start();
}

namespace {
// One thread of its own, below the user-interface thread: when they share a processor, the
// next key goes before the preview's encoding.
QThreadPool* encodingThread() {
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}

void lowerThisThread() {
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, id_t(gettid()), 10);
#endif
}

struct Place {
    QString folder;
    QString fileName;
};

Place placeOf(const QString& path) {
    if (path.isEmpty())
        return {};
    const QFileInfo file(path);
    return {file.absolutePath(), file.fileName()};
}

DocumentPreview::Encoded encodeLikeTheFile(const QString& text, const TextEncoding& encoding) {
    // No character set of its own: the engine reads the page's declaration, as from the file.
    if (std::optional<QByteArray> bytes = encodeTextFile(text, encoding))
        return {std::move(*bytes), QByteArrayLiteral("text/html")};
    // A character the file's encoding lacks (saving asks about UTF-8 then): the page goes as
    // UTF-8 and says so, so the preview shows the text rather than something else.
    const TextEncoding utf8{TextEncoding::Codec::Utf8, false};
    return {encodeTextFile(text, utf8).value_or(QByteArray()),
            QByteArrayLiteral("text/html; charset=utf-8")};
}
} // namespace

void DocumentPreview::follow() {
    if (m_box && m_window)
        encode();
}

void DocumentPreview::encode() {
    if (!m_box)
        return;
    if (m_encoding.isRunning()) {
        m_encodeAgain = true; // one more round once this one is done
        return;
    }
    // The text is taken now, in pieces shared with the editor; joining them and turning them
    // into the file's bytes happens off the editor's thread.
    auto promise = std::make_shared<QPromise<Encoded>>();
    m_encoding.setFuture(promise->future());
    encodingThread()->start([promise, text = m_box->textSnapshot(), encoding = m_box->encoding()] {
        lowerThisThread();
        promise->start();
        promise->addResult(encodeLikeTheFile(text.joined(), encoding));
        promise->finish();
    });
}

void DocumentPreview::publish(Encoded encoded) {
    PreviewPages::Page page;
    page.bytes = std::move(encoded.bytes);
    page.contentType = std::move(encoded.contentType);
    Place place = placeOf(m_filePath ? m_filePath() : QString());
    page.folder = std::move(place.folder);
    page.fileName = std::move(place.fileName);
    if (PreviewPages* pages = PreviewPages::instance())
        pages->setPage(m_page, std::move(page));
    if (!m_window || std::exchange(m_navigating, false))
        return; // a window sent to the page by F5 receives it now
    WebBrowser* view = m_window->brwWebBrowser;
    if (showsThePage()) {
        m_scroll = view->page()->scrollPosition();
        if (view->url() == pageUrl()) {
            view->triggerPageAction(QWebEnginePage::Reload);
        } else {
            m_shownPath = pageUrl().path(); // saved under another name since
            view->load(pageUrl());
        }
    }
    // A page the user went on to from the preview is left alone until the next F5.
}

bool DocumentPreview::showsThePage() const {
    const QUrl shown = m_window->brwWebBrowser->url();
    // Another file of the document's folder, reached by a link, is not the document.
    return shown.scheme() == QLatin1String(PreviewPages::Scheme) && shown.host() == m_page &&
           shown.path() == m_shownPath;
}

void DocumentPreview::loadFinished(bool ok) {
    if (!ok || !m_scroll || !m_window || !showsThePage())
        return;
    const QPointF at = *m_scroll;
    m_scroll.reset();
    m_window->brwWebBrowser->page()->runJavaScript(
        QStringLiteral("window.scrollTo(%1, %2);").arg(at.x()).arg(at.y()));
}

void DocumentPreview::Show(QMdiArea* area) {
    PreviewPages* pages = PreviewPages::instance();
    if (!m_box || m_page.isEmpty() || !pages)
        return;
    m_delay.stop();
    // F5 shows the text as it is at this moment. It is encoded off the editor's thread; the
    // window's request for the page waits for it.
    const Place place = placeOf(m_filePath ? m_filePath() : QString());
    pages->preparePage(m_page, place.folder, place.fileName);
    encode();
    const QString address = pageUrl().toString();
    // Shown already (and not saved under another name since): the new text reloads it.
    const bool shown = m_window && showsThePage() && m_shownPath == pageUrl().path();
    m_shownPath = pageUrl().path();
    if (!m_window) {
        m_navigating = true;
        auto* window = new frmBuiltInBrowser;
        m_window = window;
        area->addSubWindow(window);
        connect(window->brwWebBrowser, &QWebEngineView::loadFinished, this,
                &DocumentPreview::loadFinished);
        window->loadAt(address);
    } else if (!shown) {
        m_navigating = true;
        m_window->timTimer->start();
        m_window->brwWebBrowser->Navigate(address);
    }
    area->setActiveSubWindow(m_window);
}
