// The built-in browser command and the link-opening sequence of the main window.

#include <QMdiArea>

#include "app/frmMain.h"
#include "browser/WebBrowser.h"
#include "browser/frmBuiltInBrowser.h"

void frmMain::mnuExtrasBuiltInBrowser_Click() {
    // A closed window is gone (or about to be): the next use loads a fresh one.
    if (!BuiltInBrowser || BuiltInBrowser->isHidden()) {
        auto* window = new frmBuiltInBrowser;
        MDIClient()->addSubWindow(window);
        BuiltInBrowser = window;
        window->Load();
    }
    MDIClient()->setActiveSubWindow(BuiltInBrowser);
}

void frmMain::openLinkWindow(const QString& address) {
    auto* window = new frmBuiltInBrowser;
    MDIClient()->addSubWindow(window);
    window->Load();
    // Takes over from the start page's navigation; the address box keeps the start page.
    window->brwWebBrowser->Navigate(address);
    window->show();
    MDIClient()->setActiveSubWindow(window);
}
