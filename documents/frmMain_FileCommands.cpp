// File > Open, Save, Save As and Export, and the start-up open of the main window.

#include "app/frmMain.h"

void frmMain::mnuFileOpenHTML_Click() {}
void frmMain::mnuFileOpenTemplate_Click() {}
void frmMain::mnuFileSave_Click() {}
void frmMain::mnuFileSaveAs_Click() {}
void frmMain::mnuFileExportToTemplate_Click() {}
void frmMain::OpenAtStartup(const QString& path) {
    Q_UNUSED(path);
}
