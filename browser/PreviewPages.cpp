#include "browser/PreviewPages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "browser/WebEngineStart.h"

void PreviewPages::registerScheme() {
    QWebEngineUrlScheme scheme(Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Its own origin per page; no reach into local files or other pages.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

PreviewPages::PreviewPages(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}

PreviewPages* PreviewPages::instance() {
    // Goes with the profile when the program ends; nothing is made again after that.
    static QPointer<PreviewPages> pages;
    static bool made = false;
    if (!made && QCoreApplication::instance()) {
        made = true;
        QWebEngineProfile* profile = WebEngineStart::profile();
        pages = new PreviewPages(profile);
        profile->installUrlSchemeHandler(Scheme, pages);
    }
    return pages;
}

QString PreviewPages::addPage() {
    const QString name = QStringLiteral("page%1").arg(++m_lastPage);
    m_pages.insert(name, Page{});
    return name;
}

void PreviewPages::preparePage(const QString& name, const QString& folder,
                               const QString& fileName) {
    const auto page = m_pages.find(name);
    if (page == m_pages.end())
        return;
    page->folder = folder;
    page->fileName = fileName;
    m_waiting.insert(name, m_waiting.value(name));
}

void PreviewPages::setPage(const QString& name, Page page) {
    m_pages.insert(name, std::move(page));
    const QList<QPointer<QWebEngineUrlRequestJob>> waiting = m_waiting.take(name);
    const Page& given = m_pages[name];
    for (const QPointer<QWebEngineUrlRequestJob>& job : waiting)
        if (job) // a job the engine gave up on is gone
            replyWithPage(job, given);
}

void PreviewPages::removePage(const QString& name) {
    m_pages.remove(name);
    for (const QPointer<QWebEngineUrlRequestJob>& job : m_waiting.take(name))
        if (job)
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
}

void PreviewPages::replyWithPage(QWebEngineUrlRequestJob* job, const Page& page) {
    // The engine reads the buffer on a thread of its own.
    auto* buffer = new QBuffer;
    buffer->setData(page.bytes);
    buffer->open(QIODevice::ReadOnly);
    connect(job, &QObject::destroyed, buffer, &QObject::deleteLater);
    job->reply(page.contentType, buffer);
}

QUrl PreviewPages::pageUrl(const QString& name) const {
    QUrl url;
    url.setScheme(QString::fromLatin1(Scheme));
    url.setHost(name);
    url.setPath(QLatin1Char('/') + m_pages.value(name).fileName);
    return url;
}

QString PreviewPages::fileInside(const QString& folder, const QString& requestPath) {
    if (folder.isEmpty())
        return QString();
    QString relative = QDir::cleanPath(requestPath);
    if (relative.startsWith(u'/'))
        relative.remove(0, 1);
    if (relative.isEmpty() || relative == u"." || relative.startsWith(QStringLiteral("..")) ||
        relative.contains(u'\\') || relative.contains(QChar(0)))
        return QString();
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return QString();
    // Links are followed only when they stay inside the folder.
    const QFileInfo file(root + QLatin1Char('/') + relative);
    const QString target = file.canonicalFilePath();
    if (target.isEmpty() || !target.startsWith(root + QLatin1Char('/')))
        return QString();
    const QFileInfo resolved(target);
    if (!resolved.isFile() || !resolved.isReadable())
        return QString(); // folders, devices, pipes and sockets are not pages
    return target;
}

void PreviewPages::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != "GET") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const auto page = m_pages.constFind(url.host());
    if (page == m_pages.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QString path = url.path(QUrl::FullyDecoded);
    if (path == QLatin1Char('/') + page->fileName) {
        const auto waiting = m_waiting.find(url.host());
        if (waiting == m_waiting.end()) {
            replyWithPage(job, *page);
            return;
        }
        waiting->removeAll(nullptr);
        if (waiting->size() >= MaximumWaiting)
            waiting->takeFirst()->fail(QWebEngineUrlRequestJob::RequestAborted);
        waiting->append(job);
        return;
    }
    const QString file = fileInside(page->folder, path);
    if (file.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* device = new QFile(file);
    if (!device->open(QIODevice::ReadOnly)) {
        delete device;
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    connect(job, &QObject::destroyed, device, &QObject::deleteLater);
    static const QMimeDatabase types;
    job->reply(types.mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toLatin1(),
               device);
}
