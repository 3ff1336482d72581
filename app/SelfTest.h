#pragma once
// An installation check. With WEBRIX_SELFTEST=1 in the environment the program starts as usual,
// and once the main window is up it prints where it found itself, whether its snippet files are
// there and what the first document holds, then exits: 0 when the installation is complete.

bool selfTestRequested();
// Arms the check; call before entering the event loop.
void startSelfTest();
