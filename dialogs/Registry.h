#pragma once
// Reading single values from the system registry. On Windows this is the real registry; elsewhere
// a small registry of our own stands in and answers where the desktop's system-information
// program is, so the About box can start it the same way on every platform.

#include <QByteArray>
#include <QString>

namespace Registry {

inline constexpr quint32 HKeyLocalMachine = 0x80000002u;
inline constexpr quint32 TypeString = 1; // REG_SZ
inline constexpr quint32 TypeDword = 4;  // REG_DWORD
inline constexpr qsizetype ValueBufferSize = 1024;

// Reads one value under root\keyPath. Returns false (result emptied) when the key or the value
// cannot be read. A string gives its text, a number "&h" and its hexadecimal digits; any other
// type leaves result as the caller passed it.
bool GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName, QString& result);

// The text GetKeyValue reports for the raw bytes of a value of the given type.
void DecodeValue(quint32 type, const QByteArray& bytes, QString& result);

// The registry of our own. Outside Windows it always answers; it starts out holding the desktop's
// system-information program. On Windows it answers only once a test has filled it.
namespace StandIn {
// Empties it (no keys at all).
void Clear();
void AddKey(quint32 root, const QString& keyPath);
// Creates the key when needed and stores the value's raw bytes.
void SetValue(quint32 root, const QString& keyPath, const QString& valueName, quint32 type,
              const QByteArray& data);
// A string value in the system's 8-bit encoding, stored with or without its terminating zero.
void SetString(quint32 root, const QString& keyPath, const QString& valueName, const QString& text,
               bool terminatingZero = true);
// Back to the desktop's own values (and on Windows to the real registry).
void Reset();
// The desktop's system-information program found in PATH, or an empty text.
QString DesktopSystemInformationProgram();
} // namespace StandIn

} // namespace Registry
