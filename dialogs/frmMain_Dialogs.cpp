// The options dialog, the About box and the module commands of the main window.

#include "app/frmMain.h"

void frmMain::mnuOptionsProgram_Click() {}
void frmMain::mnuHelpAbout_Click() {}
void frmMain::mnuModulesWebServer_Click() {}
void frmMain::mnuModulesFTPClient_Click() {}
