#pragma once
// What the web engine needs before its first page, made when that page is first needed.
//
// The engine draws through an OpenGL context that the program's windows share. Qt makes it while
// the application object is made, which loads the whole graphics driver before the first window
// can show; the program holds the place with a stand-in instead and makes the real context when
// the engine starts (after the main window is up, or at the first browser window).
//
// Where that context draws in software (no graphics card, a virtual display), the pages are drawn
// without OpenGL instead: the engine is no faster through it there, and a window showing a page
// would have all of its widgets composed through it.

class QByteArray;
class QOpenGLContext;
class QWebEngineProfile;

namespace WebEngineStart {
// Before the application object is made.
void deferGraphics();
// The engine's profile, with the shared context made first if it was deferred. Everything that
// makes an engine object takes the profile from here.
QWebEngineProfile* profile();
// The shared context the windows and the engine use; the stand-in until profile() is called.
QOpenGLContext* sharedContext();
bool graphicsDeferred();
// Whether pages are drawn without OpenGL (decided by profile()).
bool drawsInSoftware();
// Whether an OpenGL renderer (as the driver names it) rasterises on the processor.
bool isSoftwareRenderer(const QByteArray& renderer);
} // namespace WebEngineStart
