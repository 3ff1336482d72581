// File > Close and File > Exit of the main window.

#include <QMdiSubWindow>

#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"

void frmMain::mnuFileClose_Click() {}

bool frmMain::QueryExit() {
    if (!ChildForms().isEmpty()) {
        MsgBox(QStringLiteral("Kilépés előtt zárj be minden dokumentumot!"));
        return false;
    }
    return true;
}

void frmMain::mnuFileExit_Click() {
    if (QueryExit())
        Unload();
}
