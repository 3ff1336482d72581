#include "browser/frmBuiltInBrowser.h"

#include <QComboBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "browser/WebBrowser.h"
#include "browser/WebEngineWarmUp.h"
#include "controls/ProgramInfo.h"
#include "controls/Settings.h"
#include "controls/SystemMenu.h"
#include "controls/ToolBar.h"
#include "controls/Twips.h"
#include "resources/SettingKeys.h"
#include "resources/Texts.h"

namespace {
// Design positions in twips.
constexpr int kToolBarHeight = 540;
constexpr int kAddressTop = 540;
constexpr int kAddressHeight = 675;
constexpr int kBrowserLeft = 45;
constexpr int kBrowserTop = 1320;
constexpr int kBusyInterval = 5; // milliseconds

const QString kWorking = QStringLiteral("Working...");

// The client area asks for its design size, so the window opens at it whatever the frame.
class ClientArea : public QWidget {
public:
    QSize sizeHint() const override {
        return {twipsToPixelsX(frmBuiltInBrowser::kDesignClientWidth),
                twipsToPixelsY(frmBuiltInBrowser::kDesignClientHeight)};
    }
};

void placeTwips(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(twipsRect(left, top, std::max(0.0, width), std::max(0.0, height)));
}
} // namespace

frmBuiltInBrowser::frmBuiltInBrowser(QWidget* parent)
    : QMdiSubWindow(parent), m_client(new ClientArea) {
    setObjectName(QStringLiteral("frmBuiltInBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/icons/browser-window.png")));
    setAccessibleName(QStringLiteral("Browser"));
    limitCloseShortcut(this);
    m_client->setObjectName(QStringLiteral("client"));
    setWidget(m_client);

    brwWebBrowser = nullptr;
    buildToolbar();

    picAddress = new QWidget(m_client);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    picAddress->setAccessibleName(QStringLiteral("Address"));
    placeTwips(picAddress, 0, kAddressTop, kDesignClientWidth, kAddressHeight);

    lblAddress = new QLabel(QStringLiteral("&Address:"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setAccessibleName(QStringLiteral("Address:"));
    placeTwips(lblAddress, 45, 60, 3075, 255);

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setAccessibleName(QStringLiteral("Address"));
    cboAddress->setEditable(true);
    // What is typed is navigated to, never added to the list by the box itself.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    placeTwips(cboAddress, 45, 300, 3795, 315);
    lblAddress->setBuddy(cboAddress);
    cboAddress->installEventFilter(this);
    cboAddress->lineEdit()->installEventFilter(this);
    connect(cboAddress, &QComboBox::activated, this, [this] {
        if (!m_editingEnds)
            cboAddress_Click();
    });

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(kBusyInterval);
    connect(timTimer, &QTimer::timeout, this, &frmBuiltInBrowser::timTimer_Timer);

    setUpBrowser(new WebBrowser);

    m_client->installEventFilter(this);
    adjustSize();
}

void frmBuiltInBrowser::setUpBrowser(WebBrowser* browser) {
    const QRect place = brwWebBrowser ? brwWebBrowser->geometry()
                                      : twipsRect(kBrowserLeft, kBrowserTop, 5400, 3735);
    delete brwWebBrowser;
    brwWebBrowser = browser;
    brwWebBrowser->setParent(m_client);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setAccessibleName(QStringLiteral("Web page"));
    brwWebBrowser->setGeometry(place);
    brwWebBrowser->lower(); // under the bars, as it was first made
    brwWebBrowser->show();
    connect(brwWebBrowser, &WebBrowser::DownloadComplete, this,
            &frmBuiltInBrowser::brwWebBrowser_DownloadComplete);
    connect(brwWebBrowser, &WebBrowser::NavigateComplete, this,
            &frmBuiltInBrowser::brwWebBrowser_NavigateComplete);

    // Browser area, label, address box, toolbar, address strip.
    setTabOrder(brwWebBrowser, cboAddress);
    setTabOrder(cboAddress, tbToolBar);
    setFocusProxy(brwWebBrowser);
}

void frmBuiltInBrowser::buildToolbar() {
    tbToolBar = new ToolBar(QStringLiteral("tbToolBar"), QStringLiteral("Navigation"), m_client);
    tbToolBar->setIconSize(QSize(24, 24));
    placeTwips(tbToolBar, 0, 0, kDesignClientWidth, kToolBarHeight);
    const auto addButton = [this](const QString& key, const QString& toolTip) {
        const QIcon icon(QStringLiteral(":/icons/browser/") + key + QStringLiteral(".png"));
        QAction* button = tbToolBar->addPictureButton(key, icon, toolTip);
        ToolBar::setToolTipText(button, toolTip);
    };
    for (const char* key : {"Back", "Forward", "Stop", "Refresh", "Home", "Search"})
        addButton(QString::fromLatin1(key), QString::fromLatin1(key));
    tbToolBar->addSeparator();
    addButton(QStringLiteral("Tarvelon"), QStringLiteral("Go to Tarvelon's homepage"));
    connect(tbToolBar, &ToolBar::ButtonClick, this, &frmBuiltInBrowser::tbToolBar_ButtonClick);
}

void frmBuiltInBrowser::Load() {
    if (m_loaded)
        return;
    loadAt(GetSetting(modGeneral::appName(), SettingKeys::BrowserHome));
}

void frmBuiltInBrowser::loadAt(const QString& address) {
    if (m_loaded)
        return;
    m_loaded = true;
    StartingAddress = address;
    // The component the engine prepared while the user was reading saves its own start; a blank
    // window has nothing to gain from it.
    if (!StartingAddress.isEmpty()) {
        if (WebBrowser* prepared = WebEngineWarmUp::takePreparedBrowser())
            setUpBrowser(prepared);
    }
    show();
    tbToolBar->repaint();
    Form_Resize();
    const double boxTop = pixelsToTwipsY(lblAddress->geometry().bottom() + 1) + 15;
    cboAddress->move(twipsToPixelsX(50), twipsToPixelsY(boxTop));
    if (StartingAddress.isEmpty())
        return; // a blank window: no list entry, no busy indicator
    cboAddress->setEditText(StartingAddress);
    cboAddress->addItem(cboAddress->currentText());
    timTimer->start();
    brwWebBrowser->Navigate(StartingAddress);
}

void frmBuiltInBrowser::Form_Resize() {
    const double width = pixelsToTwipsX(m_client->width());
    const double height = pixelsToTwipsY(m_client->height());
    // The toolbar and the address strip are docked to the top: they span the whole width.
    placeTwips(tbToolBar, 0, 0, width, kToolBarHeight);
    placeTwips(picAddress, 0, kAddressTop, width, kAddressHeight);
    // Sizes below zero (a minimised or tiny window) are held at zero.
    cboAddress->resize(twipsToPixelsX(std::max(0.0, width - 100)), cboAddress->height());
    placeTwips(brwWebBrowser, kBrowserLeft, kBrowserTop, width - 100,
               height - (kAddressTop + kAddressHeight) - 100);
}

void frmBuiltInBrowser::cboAddress_KeyPress(int keyAscii) {
    if (keyAscii == 13)
        cboAddress_Click();
}

void frmBuiltInBrowser::cboAddress_Click() {
    if (m_updatingHistory)
        return;
    timTimer->start();
    brwWebBrowser->Navigate(cboAddress->currentText());
}

void frmBuiltInBrowser::tbToolBar_ButtonClick(const QString& key) {
    timTimer->start();
    if (key == QLatin1String("Back")) {
        brwWebBrowser->GoBack();
    } else if (key == QLatin1String("Forward")) {
        brwWebBrowser->GoForward();
    } else if (key == QLatin1String("Refresh")) {
        brwWebBrowser->Refresh();
    } else if (key == QLatin1String("Home")) {
        brwWebBrowser->GoHome();
    } else if (key == QLatin1String("Search")) {
        brwWebBrowser->GoSearch();
    } else if (key == QLatin1String("Stop")) {
        timTimer->stop();
        brwWebBrowser->Stop();
        setTitle(brwWebBrowser->LocationName());
    } else if (key == QLatin1String("Tarvelon")) {
        brwWebBrowser->Navigate(Texts::MakerSiteAddress);
    }
}

void frmBuiltInBrowser::timTimer_Timer() {
    if (brwWebBrowser->Busy()) {
        setTitle(kWorking);
    } else {
        timTimer->stop();
        setTitle(brwWebBrowser->LocationName());
    }
}

void frmBuiltInBrowser::brwWebBrowser_DownloadComplete() {
    setTitle(brwWebBrowser->LocationName());
}

void frmBuiltInBrowser::brwWebBrowser_NavigateComplete(const QString& address) {
    Q_UNUSED(address); // the component's own current address counts, not the load's
    setTitle(brwWebBrowser->LocationName());
    const QString current = brwWebBrowser->LocationURL();
    if (current.isEmpty())
        return;
    const int found = cboAddress->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_updatingHistory = true;
    // The box keeps what the user typed (or the start page); only the list follows the pages.
    const QString typed = cboAddress->currentText();
    if (found >= 0)
        cboAddress->removeItem(found);
    cboAddress->insertItem(0, current);
    cboAddress->setCurrentIndex(0);
    cboAddress->setEditText(typed);
    m_updatingHistory = false;
}

bool frmBuiltInBrowser::event(QEvent* event) {
    // The label's letter must beat the main menu's item of the same letter while the focus is in
    // this window: the window claims the key before the shortcuts see it.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (QKeySequence(key->keyCombination()) == QKeySequence::mnemonic(lblAddress->text())) {
            event->accept();
            cboAddress->setFocus(Qt::ShortcutFocusReason);
            m_swallowMnemonic = true;
            QTimer::singleShot(0, this, [this] { m_swallowMnemonic = false; });
            return true;
        }
    }
    return QMdiSubWindow::event(event);
}

void frmBuiltInBrowser::setTitle(const QString& title) {
    setWindowTitle(title);
    setAccessibleName(title.isEmpty() ? QStringLiteral("Browser") : title);
}

void frmBuiltInBrowser::holdBackEditingPicks() {
    m_editingEnds = true;
    QTimer::singleShot(0, this, [this] { m_editingEnds = false; });
}

bool frmBuiltInBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client) {
        if (event->type() == QEvent::Resize)
            Form_Resize();
    } else if (event->type() == QEvent::KeyPress && m_swallowMnemonic) {
        m_swallowMnemonic = false; // Alt+A has done its work: it types nothing into the box
        return true;
    } else if (event->type() == QEvent::KeyPress && event != m_lastKey) {
        // The line edit passes Enter on to the box: one key, one navigation.
        m_lastKey = event;
        QTimer::singleShot(0, this, [this] { m_lastKey = nullptr; });
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            holdBackEditingPicks();
            cboAddress_KeyPress(13);
        } else if (!key->text().isEmpty()) {
            cboAddress_KeyPress(key->text().at(0).unicode());
        }
    } else if (event->type() == QEvent::FocusOut) {
        holdBackEditingPicks();
    }
    return QMdiSubWindow::eventFilter(watched, event);
}
