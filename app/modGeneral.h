#pragma once
// The start procedure and the program-wide pieces every window uses.

#include <QString>

class frmMain;

namespace modGeneral {

// The program's entry point after the application object exists: shows the splash window and
// arms its timer; the timer brings up the main window.
void Main();

// The one main window, once the splash timer has created it.
frmMain* MainWindow();
void setMainWindow(frmMain* window);

// The folder that holds the running program, without a trailing separator.
QString ProgramFolder();
// A data file below the program folder, given as "\tags\table.tag"; the separators become the
// platform's own.
QString ProgramFile(const QString& relativePath);
// The running program's file name without its extension; all settings live under it.
QString AppName();

// Everything after the program name on the command line, as one string.
QString CommandLine();

QString HelpFile();
void setHelpFile(const QString& path);

// Test hooks: a temporary program folder, application name and command line.
void setProgramFolderForTesting(const QString& folder);
void setAppNameForTesting(const QString& name);
void setCommandLineForTesting(const QString& commandLine);

} // namespace modGeneral
