#pragma once
// Where the system-information tool is. On Windows the system registry says so; other systems
// have no registry, and the desktop's own tool is looked for in PATH instead.

#include <QByteArray>
#include <QString>

namespace Registry {

inline constexpr quint32 HKeyLocalMachine = 0x80000002u;
inline constexpr quint32 TypeString = 1; // REG_SZ
inline constexpr quint32 TypeDword = 4;  // REG_DWORD
inline constexpr qsizetype kValueBufferSize = 1024;

#ifdef Q_OS_WIN
// Reads one value under root\keyPath. Returns false (result emptied) when the key or the value
// cannot be read; otherwise result is what decodeValue makes of it.
bool GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName, QString& result);
#endif

// The text a registry value's raw bytes give: a string its text (one terminating zero dropped),
// a number "&h" and its hexadecimal digits; any other type leaves result as the caller passed it.
void decodeValue(quint32 type, const QByteArray& bytes, QString& result);

} // namespace Registry

// The desktop's system-information program found in PATH, the running desktop's own first, or an
// empty text.
QString desktopSystemInformationProgram();
