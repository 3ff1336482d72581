#pragma once
// The web browser component of browser windows: a web view with the operations the windows use,
// under the names they use them by.

#include <QTimer>
#include <QWebEngineView>

class WebBrowser : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);

    // Goes to an address as a user typed it. The component reads it the way a browser's address
    // bar does: a bare host name becomes a web address, an empty text a blank page; an address
    // it cannot show (mailto:) goes to the desktop's own handler.
    void Navigate(const QString& address);
    // Moving past either end of the history does nothing.
    void GoBack();
    void GoForward();
    // The component's own pages, built in and independent of the user's settings.
    void GoHome();
    void GoSearch();
    void Refresh();
    void Stop();

    // Starts a blank page out of sight, so that the engine has a page process ready before the
    // component is shown. The blank page never shows up in the history.
    void prepareInAdvance();
    // Whether the blank page of the advance start has loaded.
    bool preparedInAdvance() const { return m_preparedReady; }

    // True from a navigation request until its page has loaded (or was stopped).
    bool Busy() const;
    // The page's title, else its address.
    QString LocationName() const;
    QString LocationURL() const;

signals:
    // A load has ended, completed or not.
    void DownloadComplete();
    // A load has ended; carries the address it ended at.
    void NavigateComplete(const QString& address);

private:
    void requestStarted();
    void requestSettled();
    bool backIsPreparedBlank() const;

    // A request counts as busy before the engine reports the load as started; a request that
    // never starts a load (an in-page jump) stops counting after this long.
    static constexpr int kRequestTimeoutMs = 5000;
    bool m_requested = false;
    // The advance start's blank page is still in the history, behind the user's first page.
    bool m_forgetBlank = false;
    bool m_preparedReady = false;
    QTimer m_requestTimeout;
};
