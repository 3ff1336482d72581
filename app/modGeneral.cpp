#include "app/modGeneral.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>

#include "app/frmSplash.h"

namespace {
struct ProgramState {
    frmMain* mainWindow = nullptr;
    QString programFolderOverride;
    QString appNameOverride;
    QString commandLineOverride;
    bool commandLineOverridden = false;
    QString helpFile;
};

ProgramState& state() {
    static ProgramState s;
    return s;
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
}

frmMain* MainWindow() {
    return state().mainWindow;
}
void setMainWindow(frmMain* window) {
    state().mainWindow = window;
}

QString ProgramFolder() {
    if (!state().programFolderOverride.isEmpty())
        return state().programFolderOverride;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString ProgramFile(const QString& relativePath) {
    QString relative = relativePath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(ProgramFolder()) + relative);
}

QString AppName() {
    if (!state().appNameOverride.isEmpty())
        return state().appNameOverride;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString CommandLine() {
    if (state().commandLineOverridden)
        return state().commandLineOverride;
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments.join(QLatin1Char(' '));
}

QString HelpFile() {
    return state().helpFile;
}
void setHelpFile(const QString& path) {
    state().helpFile = path;
}

void setProgramFolderForTesting(const QString& folder) {
    state().programFolderOverride = QDir::toNativeSeparators(folder);
}
void setAppNameForTesting(const QString& name) {
    state().appNameOverride = name;
}
void setCommandLineForTesting(const QString& commandLine) {
    state().commandLineOverride = commandLine;
    state().commandLineOverridden = true;
}

} // namespace modGeneral
