#pragma once
// Starting outside programs: the module programs of the Modules menu and the system-information
// tool of the About box. They run on their own; the editor neither waits for them nor keeps them.

#include <QString>

// Whether an ordinary file is at the path: not a folder, not hidden, not a system file.
bool isOrdinaryFile(const QString& path);

// Starts the program as a separate process with no arguments and no shell. Returns false when
// the system refuses to start it; error then tells why, when known.
bool startProgram(const QString& path, const QString& workingFolder = QString(),
                  QString* error = nullptr);

// A module command: the program below the program folder ("\modules\WebServer.exe") is started
// when it is installed; otherwise the user is told that the module is not installed properly.
void startModule(const QString& relativePath);
