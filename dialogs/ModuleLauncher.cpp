#include "dialogs/ModuleLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "controls/MsgBox.h"
#include "controls/ProgramInfo.h"

bool isOrdinaryFile(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(
        reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(info.absoluteFilePath()).utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_SYSTEM))
        return false;
#endif
    return true;
}

bool startProgram(const QString& path, const QString& workingFolder, QString* error) {
    QProcess process;
    process.setProgram(path);
    process.setArguments({});
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
}

void startModule(const QString& relativePath) {
    const QString path = modGeneral::programFile(relativePath);
    if (!isOrdinaryFile(path)) {
        MsgBox(QStringLiteral("A modul nincs megfelelően telepítve!"), vbOKOnly | vbCritical);
        return;
    }
    QString reason;
    if (startProgram(path, QFileInfo(path).absolutePath(), &reason))
        return;
    QString prompt =
        QStringLiteral("A modult nem sikerült elindítani:\n%1").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty())
        prompt += QStringLiteral("\n\n") + reason;
    MsgBox(prompt, vbOKOnly | vbCritical);
}
