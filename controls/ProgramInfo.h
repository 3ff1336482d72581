#pragma once
// What every layer may ask of the running program: where it lives, its name (the settings are kept
// under it), its command line and its help file. The start procedure lives in app/modGeneral.h.

#include <QString>

namespace modGeneral {

// The folder that holds the running program, without a trailing separator.
QString programFolder();
// A data file below the program folder, given as "\tags\table.tag"; the separators become the
// platform's own.
QString programFile(const QString& relativePath);
// The running program's file name without its extension; all settings live under it.
QString appName();

// Everything after the program name on the command line, as one string.
QString commandLine();

QString helpFile();
void setHelpFile(const QString& path);

// Test hooks: a temporary program folder, application name and command line.
void setProgramFolderForTesting(const QString& folder);
void setAppNameForTesting(const QString& name);
void setCommandLineForTesting(const QString& commandLine);

} // namespace modGeneral
