// The options dialog, the About box and the module commands of the main window.

#include "app/frmMain.h"
#include "controls/ModalDialog.h"
#include "dialogs/ModuleLauncher.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmProgramOptions.h"

void frmMain::mnuOptionsProgram_Click() {
    // Every opening is a fresh dialog, so it always starts from the stored settings.
    frmProgramOptions dialog(this);
    execModal(dialog);
}

void frmMain::mnuHelpAbout_Click() {
    frmAbout dialog(this);
    connect(&dialog, &frmAbout::linkRequested, this, &frmMain::openLinkWindow);
    execModal(dialog);
}

void frmMain::mnuModulesWebServer_Click() {
    startModule(QStringLiteral("\\modules\\WebServer.exe"));
}

void frmMain::mnuModulesFTPClient_Click() {
    startModule(QStringLiteral("\\modules\\FTPClient.exe"));
}
