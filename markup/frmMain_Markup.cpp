// The HTML tags and scripting toolbars and the logo command of the main window.

#include "app/frmMain.h"

void frmMain::tbHTMLTags_ButtonMenuClick(const QString& key) {
    Q_UNUSED(key);
}
void frmMain::tbScripting_ButtonMenuClick(const QString& key) {
    Q_UNUSED(key);
}
void frmMain::mnuExtrasLogo_Click() {}
