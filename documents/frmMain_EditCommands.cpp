// Edit > Cut, Copy, Paste, the standard toolbar and the colouring command of the main window.

#include "app/frmMain.h"

void frmMain::mnuEditCut_Click() {}
void frmMain::mnuEditCopy_Click() {}
void frmMain::mnuEditPaste_Click() {}
void frmMain::tbStandard_ButtonClick(const QString& key) {
    Q_UNUSED(key);
}
void frmMain::mnuExtrasColorHTML_Click() {}
