#pragma once
// Application-wide set-up shared by the program, its tests and its benchmarks.

class QApplication;

// Must run before the application object exists (the web engine reads its flags then).
void prepareWebEngineEnvironment();

// Names, fonts, translations and the icon.
void setUpApplication(QApplication& app);
