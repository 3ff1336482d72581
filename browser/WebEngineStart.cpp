#include "browser/WebEngineStart.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
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
bool g_drawingChosen = false;
bool g_software = false;

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
// The renderer of the shared context; empty when there is none.
QByteArray rendererOf(QOpenGLContext* context) {
#if QT_CONFIG(opengl)
    if (!context || !context->isValid())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context->format());
    surface.create();
    QByteArray renderer;
    if (context->makeCurrent(&surface)) {
        if (const auto* name = context->functions()->glGetString(GL_RENDERER))
            renderer = QByteArray(reinterpret_cast<const char*>(name));
        context->doneCurrent();
    }
    return renderer;
#else
    Q_UNUSED(context);
    return {};
#endif
}

// Before the engine's first page: pages drawn through OpenGL only where a graphics card does it.
void chooseDrawing() {
    if (g_drawingChosen)
        return;
    g_drawingChosen = true;
    // A choice the user made for Qt Quick stands.
    for (const char* name : {"QT_QUICK_BACKEND", "QMLSCENE_DEVICE", "QSG_RHI_BACKEND"})
        if (!qEnvironmentVariableIsEmpty(name))
            return;
    const QByteArray renderer = rendererOf(WebEngineStart::sharedContext());
    if (renderer.isEmpty() || WebEngineStart::isSoftwareRenderer(renderer)) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        g_software = true;
    }
}
} // namespace

namespace WebEngineStart {

bool isSoftwareRenderer(const QByteArray& renderer) {
    const QByteArray name = renderer.toLower();
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                                 "swiftshader", "gdi generic", "microsoft basic render"})
        if (name.contains(software))
            return true;
    return false;
}

bool drawsInSoftware() {
    return g_software;
}

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
    chooseDrawing();
    return QWebEngineProfile::defaultProfile();
}

} // namespace WebEngineStart
