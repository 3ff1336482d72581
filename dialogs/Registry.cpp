#include "dialogs/Registry.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Registry {

void decodeValue(quint32 type, const QByteArray& bytes, QString& result) {
    QByteArray text = bytes;
    if (!text.isEmpty() && text.back() == '\0')
        text.chop(1); // only the one terminating zero
    if (type == TypeString) {
        result = QString::fromLocal8Bit(text);
    } else if (type == TypeDword) {
        QString digits;
        for (qsizetype i = text.size() - 1; i >= 0; --i)
            digits += QStringLiteral("%1").arg(quint8(text[i]), 2, 16, QLatin1Char('0'));
        while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
            digits.remove(0, 1);
        if (digits.isEmpty())
            digits = QStringLiteral("0");
        result = QStringLiteral("&h") + digits.toUpper();
    }
}

#ifdef Q_OS_WIN
bool GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName, QString& result) {
    // The predefined roots are sign-extended 32-bit numbers.
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    const QByteArray path = keyPath.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, path.constData(), 0, 0x2003F, &key) != ERROR_SUCCESS) {
        if (key)
            RegCloseKey(key);
        result.clear();
        return false;
    }
    QByteArray buffer(kValueBufferSize, '\0');
    DWORD size = DWORD(kValueBufferSize);
    DWORD valueType = 0;
    const QByteArray name = valueName.toLocal8Bit();
    const LONG status = RegQueryValueExA(key, name.constData(), nullptr, &valueType,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        result.clear();
        return false;
    }
    decodeValue(valueType, buffer.left(qsizetype(size)), result);
    return true;
}
#endif

} // namespace Registry

QString desktopSystemInformationProgram() {
#ifdef Q_OS_MACOS
    const QString systemInformation =
        QStringLiteral("/System/Applications/Utilities/System Information.app/Contents/MacOS/"
                       "System Information");
    if (QFileInfo(systemInformation).isExecutable())
        return systemInformation;
#endif
    // The running desktop's own tool first, then any other that is installed.
    QStringList candidates = {QStringLiteral("kinfocenter"),
                              QStringLiteral("hardinfo2"),
                              QStringLiteral("hardinfo"),
                              QStringLiteral("gnome-system-monitor"),
                              QStringLiteral("mate-system-monitor"),
                              QStringLiteral("xfce4-taskmanager")};
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    auto preferIfDesktop = [&](const char* desktopName, const QString& program) {
        if (desktop.contains(QLatin1String(desktopName))) {
            candidates.removeAll(program);
            candidates.prepend(program);
        }
    };
    preferIfDesktop("gnome", QStringLiteral("gnome-system-monitor"));
    preferIfDesktop("mate", QStringLiteral("mate-system-monitor"));
    preferIfDesktop("xfce", QStringLiteral("xfce4-taskmanager"));
    preferIfDesktop("kde", QStringLiteral("kinfocenter"));
    for (const QString& candidate : std::as_const(candidates)) {
        const QString found = QStandardPaths::findExecutable(candidate);
        if (!found.isEmpty())
            return found;
    }
    return {};
}
