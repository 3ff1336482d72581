#pragma once
// A browser window: a child window of the main window with a navigation toolbar, an address strip
// and the web browser component. It closes with its own close box and asks nothing.

#include <QMdiSubWindow>

class QComboBox;
class QLabel;
class QTimer;
class ToolBar;
class WebBrowser;

class frmBuiltInBrowser : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit frmBuiltInBrowser(QWidget* parent = nullptr);

    // The address the load step goes to; later navigation leaves it alone.
    QString StartingAddress;

    ToolBar* tbToolBar;
    QWidget* picAddress;
    QLabel* lblAddress;
    QComboBox* cboAddress;
    WebBrowser* brwWebBrowser;
    QTimer* timTimer;

    // The load step: reads the start page, shows the window and starts going there. Runs once;
    // the window must already be in the main window's document area.
    void Load();
    // The load step with a starting address of the caller's instead of the start page.
    void loadAt(const QString& address);

    // Client-area layout in twips at design time.
    static constexpr int kDesignClientWidth = 6540;
    static constexpr int kDesignClientHeight = 5130;

public slots:
    void Form_Resize();
    // A character typed in the address box; Enter (13) navigates to the box's text.
    void cboAddress_KeyPress(int keyAscii);
    // An entry picked from the address list, or Enter.
    void cboAddress_Click();
    void tbToolBar_ButtonClick(const QString& key);
    void timTimer_Timer();
    void brwWebBrowser_DownloadComplete();
    // After each completed navigation: the page's address goes to the top of the address list.
    void brwWebBrowser_NavigateComplete(const QString& address);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    // Puts the browser component in place, named and wired.
    void setUpBrowser(WebBrowser* browser);
    void setTitle(const QString& title);
    // Later Qt versions report editing that ends on a list entry's text as a pick; only real
    // picks (the list, the arrow keys) may navigate, so Enter and focus changes hold it back.
    void holdBackEditingPicks();

    QWidget* m_client;
    bool m_loaded = false;
    bool m_updatingHistory = false;
    bool m_editingEnds = false;
    const QEvent* m_lastKey = nullptr;
    bool m_swallowMnemonic = false;
};
