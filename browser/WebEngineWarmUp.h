#pragma once
// Starts the web engine while the user reads the first page, so that the first browser window
// opens as fast as later ones: the engine's own start (profile, helper processes) is the larger
// part of the first window's wait.

class QWidget;

namespace WebEngineWarmUp {

// Once `window` is shown and no key or mouse button has been pressed for a moment, loads a blank
// page out of sight, then lets it go; the engine stays running. Later calls do nothing.
void Schedule(QWidget* window);

// Whether the engine has been started this way (for tests and benchmarks).
bool Started();
// Whether the blank page has loaded and gone again.
bool Finished();

} // namespace WebEngineWarmUp
