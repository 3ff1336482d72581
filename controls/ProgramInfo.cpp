#include "controls/ProgramInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
struct ProgramState {
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

QString programFolder() {
    if (!state().programFolderOverride.isEmpty())
        return state().programFolderOverride;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString programFile(const QString& relativePath) {
    QString relative = relativePath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(programFolder()) + relative);
}

QString appName() {
    if (!state().appNameOverride.isEmpty())
        return state().appNameOverride;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString commandLine() {
    if (state().commandLineOverridden)
        return state().commandLineOverride;
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    return arguments.join(QLatin1Char(' '));
}

QString helpFile() {
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
