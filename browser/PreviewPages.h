#pragma once
// The pages of preview windows, served by the program itself under its own address scheme:
// webrix-preview://<page>/<file name> is a document's current text as it would be saved, and
// the other paths under the same page are the files of the document's folder, so its relative
// links, pictures, style sheets and scripts resolve. Nothing outside that folder is served.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

class PreviewPages : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static constexpr char Scheme[] = "webrix-preview";

    // Must run before the application object exists (the engine fixes its schemes then).
    static void registerScheme();
    // The one handler, installed in the browser windows' profile at first use; nothing once the
    // program is ending.
    static PreviewPages* instance();

    struct Page {
        QByteArray bytes; // the document's text, encoded as its file would be
        QByteArray contentType;
        QString folder;   // the document's folder; empty for an untitled document
        QString fileName; // the document's file name; empty for an untitled document
    };
    // A new page name each time: pages of closed documents are never reused.
    QString addPage();
    // The page's text is on its way: requests for it wait until SetPage gives it. Its address
    // is the new one at once.
    void preparePage(const QString& name, const QString& folder, const QString& fileName);
    void setPage(const QString& name, Page page);
    void removePage(const QString& name);
    // The address of a page's document.
    QUrl pageUrl(const QString& name) const;

    // The file inside `folder` that a request path names, or an empty string when it names
    // nothing there (a climb out of the folder, a link leading out of it, a folder, a device).
    static QString fileInside(const QString& folder, const QString& requestPath);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

    // Requests that wait for one page's text; the oldest are refused beyond this.
    static constexpr int MaximumWaiting = 8;

private:
    explicit PreviewPages(QObject* parent);
    void replyWithPage(QWebEngineUrlRequestJob* job, const Page& page);

    QHash<QString, Page> m_pages;
    QHash<QString, QList<QPointer<QWebEngineUrlRequestJob>>> m_waiting;
    int m_lastPage = 0;
};
