#pragma once
// The preview of one document: a browser window showing the document's current text, brought
// up to date a moment after typing stops, at the same scroll position. It lives as long as the
// document (as the document window's child) and closes the browser window when it goes.

#include <QFutureWatcher>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

class QMdiArea;
class RichTextBox;
class frmBuiltInBrowser;

class DocumentPreview : public QObject {
    Q_OBJECT
public:
    // filePath gives the document's file, or an empty string while it is untitled.
    DocumentPreview(RichTextBox* box, std::function<QString()> filePath, QObject* parent);
    ~DocumentPreview() override;

    // Shows the preview window with the text as it is now: a new one, or the open one again.
    void Show(QMdiArea* area);
    frmBuiltInBrowser* window() const;
    QUrl pageUrl() const;

    // The pause after the last change before the preview follows it.
    static constexpr int kFollowDelayMs = 300;

    // The page as it goes to the preview window.
    struct Encoded {
        QByteArray bytes;
        QByteArray contentType;
    };

private:
    void textChanged();
    void follow();
    // Encodes the text as it is now off this thread; publish() takes the result.
    void encode();
    void publish(Encoded encoded);
    void loadFinished(bool ok);
    bool showsThePage() const;

    QPointer<RichTextBox> m_box;
    std::function<QString()> m_filePath;
    QString m_page;
    QPointer<frmBuiltInBrowser> m_window;
    QTimer m_delay;
    QFutureWatcher<Encoded> m_encoding;
    bool m_encodeAgain = false;
    QString m_shownPath;       // the document's address in the window, as last sent there
    bool m_navigating = false; // F5 sent the window to the page; it loads once the text is there
    std::optional<QPointF> m_scroll;
};
