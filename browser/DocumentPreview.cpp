#include "browser/DocumentPreview.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QPromise>
#include <QThreadPool>
#include <QWebEnginePage>
#include <memory>

#include "browser/PreviewPages.h"
#include "browser/WebBrowser.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"

DocumentPreview::DocumentPreview(RichTextBox* box, std::function<QString()> filePath,
                                 QObject* parent)
    : QObject(parent), m_box(box), m_filePath(std::move(filePath)),
      m_page(PreviewPages::Instance() ? PreviewPages::Instance()->AddPage() : QString()) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(kFollowDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &DocumentPreview::follow);
    connect(box, &RichTextBox::Change, this, &DocumentPreview::textChanged);
    connect(&m_encoding, &QFutureWatcher<Encoded>::finished, this, [this] {
        if (m_encoding.future().resultCount() > 0)
            publish(m_encoding.future().result());
        if (m_encodeAgain) {
            m_encodeAgain = false;
            follow();
        }
    });
}

DocumentPreview::~DocumentPreview() {
    if (PreviewPages* pages = PreviewPages::Instance())
        pages->RemovePage(m_page);
    if (m_window)
        m_window->close();
}

frmBuiltInBrowser* DocumentPreview::Window() const {
    return m_window;
}

QUrl DocumentPreview::PageURL() const {
    const PreviewPages* pages = PreviewPages::Instance();
    return pages ? pages->PageURL(m_page) : QUrl();
}

void DocumentPreview::textChanged() {
    if (m_window)
        m_delay.start();
}

namespace {
DocumentPreview::Encoded encodeLikeTheFile(const QString& text, const TextEncoding& encoding) {
    // No character set of its own: the engine reads the page's declaration, as from the file.
    if (std::optional<QByteArray> bytes = EncodeTextFile(text, encoding))
        return {std::move(*bytes), QByteArrayLiteral("text/html")};
    // A character the file's encoding lacks (saving asks about UTF-8 then): the page goes as
    // UTF-8 and says so, so the preview shows the text rather than something else.
    const TextEncoding utf8{TextEncoding::Codec::Utf8, false};
    return {EncodeTextFile(text, utf8).value_or(QByteArray()),
            QByteArrayLiteral("text/html; charset=utf-8")};
}
} // namespace

void DocumentPreview::follow() {
    if (!m_box || !m_window)
        return;
    if (m_encoding.isRunning()) {
        m_encodeAgain = true; // one more round once this one is done
        return;
    }
    // The text is taken now; turning it into the file's bytes happens off the editor's thread.
    auto promise = std::make_shared<QPromise<Encoded>>();
    m_encoding.setFuture(promise->future());
    QThreadPool::globalInstance()->start(
        [promise, text = m_box->documentText(), encoding = m_box->encoding()] {
            promise->start();
            promise->addResult(encodeLikeTheFile(text, encoding));
            promise->finish();
        });
}

void DocumentPreview::publish(Encoded encoded) {
    PreviewPages::Page page;
    page.bytes = std::move(encoded.bytes);
    page.contentType = std::move(encoded.contentType);
    const QString path = m_filePath ? m_filePath() : QString();
    if (!path.isEmpty()) {
        const QFileInfo file(path);
        page.folder = file.absolutePath();
        page.fileName = file.fileName();
    }
    if (PreviewPages* pages = PreviewPages::Instance())
        pages->SetPage(m_page, std::move(page));
    if (!m_window)
        return;
    WebBrowser* view = m_window->brwWebBrowser;
    if (showsThePage()) {
        m_scroll = view->page()->scrollPosition();
        if (view->url() == PageURL())
            view->triggerPageAction(QWebEnginePage::Reload);
        else
            view->load(PageURL()); // saved under another name since
    }
    // A page the user went on to from the preview is left alone until the next F5.
}

bool DocumentPreview::showsThePage() const {
    const QUrl shown = m_window->brwWebBrowser->url();
    return shown.scheme() == QLatin1String(PreviewPages::Scheme) && shown.host() == m_page;
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
    if (!m_box || m_page.isEmpty())
        return;
    m_delay.stop();
    // F5 shows the text as it is at this moment: encoded here, the user asked for it.
    publish(encodeLikeTheFile(m_box->documentText(), m_box->encoding()));
    const QString address = PageURL().toString();
    if (!m_window) {
        auto* window = new frmBuiltInBrowser;
        m_window = window;
        area->addSubWindow(window);
        connect(window->brwWebBrowser, &QWebEngineView::loadFinished, this,
                &DocumentPreview::loadFinished);
        window->LoadAt(address);
    } else if (!showsThePage()) {
        m_window->timTimer->start();
        m_window->brwWebBrowser->Navigate(address);
    }
    area->setActiveSubWindow(m_window);
}
