#include "app/modGeneral.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include "app/frmSplash.h"
#include "documents/StartupFile.h"

namespace {
frmMain*& mainWindowSlot() {
    static frmMain* window = nullptr;
    return window;
}
} // namespace

namespace modGeneral {

void Main() {
    // The main window decides when the program ends (File > Exit), not the closing splash.
    QCoreApplication* app = QCoreApplication::instance();
    if (auto* gui = qobject_cast<QGuiApplication*>(app))
        gui->setQuitOnLastWindowClosed(false);

    auto* splash = new frmSplash;
    splash->show();
    splash->Timer->setInterval(1500);
    splash->Timer->start();
    // The splash time reads the command-line file; the main window's load takes it from there.
    StartupFile::prepare(commandLine());
}

frmMain* mainWindow() {
    return mainWindowSlot();
}
void setMainWindow(frmMain* window) {
    mainWindowSlot() = window;
}

} // namespace modGeneral
