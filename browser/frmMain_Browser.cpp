// The built-in browser command and the link-opening sequence of the main window.

#include "app/frmMain.h"

void frmMain::mnuExtrasBuiltInBrowser_Click() {}
void frmMain::OpenLinkWindow(const QString& address) {
    Q_UNUSED(address);
}
