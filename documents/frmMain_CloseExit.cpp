// File > Close and File > Exit of the main window.

#include <QMdiSubWindow>

#include "app/frmMain.h"
#include "controls/MsgBox.h"
#include "documents/DocumentSave.h"
#include "documents/frmDocument.h"

void frmMain::mnuFileClose_Click() {
    QMdiSubWindow* child = ActiveForm();
    if (!child) {
        MsgBox(QStringLiteral("Nincs mit bezárnod!"));
        return;
    }
    auto* document = qobject_cast<frmDocument*>(child);
    if (!document) {
        child->close(); // a browser window holds nothing to save
        return;
    }
    if (!document->unchanged() &&
        MsgBox(QStringLiteral("El akarod menteni a változtatásokat?"), vbYesNo) == vbYes &&
        saveDocument(*dlgCommonDialog, document) != SaveOutcome::Saved)
        return; // a cancelled or failed save keeps the text open
    document->Unload();
}

bool frmMain::queryExit() {
    if (!childForms().isEmpty()) {
        MsgBox(QStringLiteral("Kilépés előtt zárj be minden dokumentumot!"));
        return false;
    }
    return true;
}

void frmMain::mnuFileExit_Click() {
    if (queryExit())
        Unload();
}
