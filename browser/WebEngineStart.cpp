#include "browser/WebEngineStart.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineProfile>

#if QT_CONFIG(opengl)
// Qt's own modules set the shared context through these; they are exported but not declared in a
// public header.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE
#endif

namespace {
QOpenGLContext* g_standIn = nullptr; // never created: it only tells Qt the place is taken
QOpenGLContext* g_shared = nullptr;

void deleteContexts() {
#if QT_CONFIG(opengl)
    if (qt_gl_global_share_context() == g_standIn || qt_gl_global_share_context() == g_shared)
        qt_gl_set_global_share_context(nullptr);
#endif
    delete g_standIn;
    g_standIn = nullptr;
    delete g_shared;
    g_shared = nullptr;
}
} // namespace

namespace WebEngineStart {

void deferGraphics() {
#if QT_CONFIG(opengl)
    if (QCoreApplication::instance() || qt_gl_global_share_context())
        return; // too late, or somebody has already made one
    g_standIn = new QOpenGLContext;
    qt_gl_set_global_share_context(g_standIn);
    qAddPostRoutine(deleteContexts);
#endif
}

bool graphicsDeferred() {
#if QT_CONFIG(opengl)
    return g_standIn && qt_gl_global_share_context() == g_standIn;
#else
    return false;
#endif
}

QOpenGLContext* sharedContext() {
#if QT_CONFIG(opengl)
    return qt_gl_global_share_context();
#else
    return nullptr;
#endif
}

QWebEngineProfile* profile() {
#if QT_CONFIG(opengl)
    if (graphicsDeferred()) {
        // As Qt would have made it. Without a driver it stays invalid, and the engine then draws
        // without OpenGL, as it would have anyway.
        g_shared = new QOpenGLContext;
        g_shared->setFormat(QSurfaceFormat::defaultFormat());
        g_shared->create();
        qt_gl_set_global_share_context(g_shared);
    }
#endif
    return QWebEngineProfile::defaultProfile();
}

} // namespace WebEngineStart
