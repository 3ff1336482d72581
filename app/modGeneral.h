#pragma once
// The start procedure and the one main window.

#include "controls/ProgramInfo.h"

class frmMain;

namespace modGeneral {

// The program's entry point after the application object exists: shows the splash window and
// arms its timer; the timer brings up the main window.
void Main();

// The one main window, once the splash timer has created it.
frmMain* mainWindow();
void setMainWindow(frmMain* window);

} // namespace modGeneral
