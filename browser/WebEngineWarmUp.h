#pragma once
// Starts the web engine while the user reads the first page, so that the first browser window
// opens as fast as later ones: the engine's own start (profile, helper processes) and the first
// page process are the larger part of the first window's wait.

class QWidget;
class WebBrowser;

namespace WebEngineWarmUp {

// Once `window` is shown and no key or mouse button has been pressed for a moment, prepares a
// browser component out of sight (a blank page in a page process of its own), which the first
// browser window takes over. Later calls do nothing.
void schedule(QWidget* window);

// The prepared component, once its blank page has loaded; the caller owns it. Null before that,
// and after it has been taken once.
WebBrowser* takePreparedBrowser();

// Whether the engine has been started this way (for tests and benchmarks).
bool started();
// Whether the prepared component is ready (or was given up on).
bool finished();

} // namespace WebEngineWarmUp
