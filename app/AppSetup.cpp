#include "app/AppSetup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "browser/PreviewPages.h"
#include "browser/WebEngineStart.h"
#include "controls/HeapMemory.h"
#include "controls/Twips.h"
#include "controls/WindowStyle.h"
#include "resources/Texts.h"

void prepareWebEngineEnvironment() {
#ifdef Q_OS_UNIX
    // The engine's sandbox refuses to run as root (CI, containers); everybody else keeps it.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    WebEngineStart::deferGraphics();
    // The engine describes its whole set-up on every start; users need not see it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    PreviewPages::registerScheme();
}

void setUpApplication(QApplication& app) {
    HeapMemory::keepFreedBlocks();
    // The pictures live in the editor library; a static library must register them itself.
    Q_INIT_RESOURCE(webrix);
    // No display name: the window system would append it to every title, and each window's title
    // must read exactly as the program sets it.
    app.setApplicationVersion(Texts::Version);
    // Lets the desktop match the windows to the installed menu entry.
    app.setDesktopFileName(QStringLiteral("example.tarvelon.webrix"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/webrix-32.png")));
    installFontSubstitutes();
    installWindowStyle();

    // The standard buttons and dialogs speak Hungarian, like the rest of the program.
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_hu", "qt_hu"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), translations))
            app.installTranslator(translator);
        else
            delete translator;
    }
}
