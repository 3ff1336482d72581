#include "dialogs/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QStringList>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr auto kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr auto kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct StoredValue {
    quint32 type = 0;
    QByteArray data;
};

// Key paths and value names are compared without regard to case, as the system registry does.
using ValueMap = QHash<QString, StoredValue>;
using KeyMap = QHash<QString, ValueMap>;

QString keyId(quint32 root, const QString& keyPath) {
    return QString::number(root, 16) + QLatin1Char(':') + keyPath.toLower();
}

std::optional<KeyMap>& filledByTest() {
    static std::optional<KeyMap> keys;
    return keys;
}

void setString(KeyMap& keys, quint32 root, const QString& keyPath, const QString& name,
               const QString& text, bool terminatingZero) {
    QByteArray bytes = text.toLocal8Bit();
    if (terminatingZero)
        bytes.append('\0');
    keys[keyId(root, keyPath)].insert(name.toLower(), StoredValue{Registry::TypeString, bytes});
}

// What the stand-in holds when no test has filled it: the desktop's own system-information
// program, under the same two values the system tool is looked up by.
KeyMap desktopKeys() {
    KeyMap keys;
    const QString program = Registry::StandIn::DesktopSystemInformationProgram();
    if (program.isEmpty())
        return keys;
    setString(keys, Registry::HKeyLocalMachine, QString::fromLatin1(kMsinfoKey),
              QStringLiteral("PATH"), QDir::toNativeSeparators(program), true);
    setString(keys, Registry::HKeyLocalMachine, QString::fromLatin1(kLocationKey),
              QStringLiteral("MSINFO"), QDir::toNativeSeparators(QFileInfo(program).absolutePath()),
              true);
    return keys;
}

bool standInAnswers() {
#ifdef Q_OS_WIN
    return filledByTest().has_value();
#else
    return true;
#endif
}

// The raw value as the system call would hand it over: false when the key cannot be opened or
// the value cannot be read into the buffer.
bool readStandIn(quint32 root, const QString& keyPath, const QString& valueName, quint32& type,
                 QByteArray& bytes) {
    const KeyMap keys = filledByTest() ? *filledByTest() : desktopKeys();
    const auto key = keys.constFind(keyId(root, keyPath));
    if (key == keys.constEnd())
        return false;
    const auto value = key->constFind(valueName.toLower());
    if (value == key->constEnd() || value->data.size() > Registry::ValueBufferSize)
        return false;
    type = value->type;
    bytes = value->data;
    return true;
}

#ifdef Q_OS_WIN
bool readSystem(quint32 root, const QString& keyPath, const QString& valueName, quint32& type,
                QByteArray& bytes) {
    // The predefined roots are sign-extended 32-bit numbers.
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    const QByteArray path = keyPath.toLocal8Bit();
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, path.constData(), 0, 0x2003F, &key) != ERROR_SUCCESS) {
        if (key)
            RegCloseKey(key);
        return false;
    }
    QByteArray buffer(Registry::ValueBufferSize, '\0');
    DWORD size = DWORD(Registry::ValueBufferSize);
    DWORD valueType = 0;
    const QByteArray name = valueName.toLocal8Bit();
    const LONG status = RegQueryValueExA(key, name.constData(), nullptr, &valueType,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;
    type = valueType;
    bytes = buffer.left(qsizetype(size));
    return true;
}
#endif

} // namespace

namespace Registry {

void DecodeValue(quint32 type, const QByteArray& bytes, QString& result) {
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

bool GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName, QString& result) {
    quint32 type = 0;
    QByteArray bytes;
    bool read = false;
    if (standInAnswers())
        read = readStandIn(root, keyPath, valueName, type, bytes);
#ifdef Q_OS_WIN
    else
        read = readSystem(root, keyPath, valueName, type, bytes);
#endif
    if (!read) {
        result.clear();
        return false;
    }
    DecodeValue(type, bytes, result);
    return true;
}

namespace StandIn {

void Clear() {
    filledByTest() = KeyMap();
}

void AddKey(quint32 root, const QString& keyPath) {
    if (!filledByTest())
        filledByTest() = KeyMap();
    (*filledByTest())[keyId(root, keyPath)];
}

void SetValue(quint32 root, const QString& keyPath, const QString& valueName, quint32 type,
              const QByteArray& data) {
    if (!filledByTest())
        filledByTest() = KeyMap();
    (*filledByTest())[keyId(root, keyPath)].insert(valueName.toLower(), StoredValue{type, data});
}

void SetString(quint32 root, const QString& keyPath, const QString& valueName, const QString& text,
               bool terminatingZero) {
    if (!filledByTest())
        filledByTest() = KeyMap();
    setString(*filledByTest(), root, keyPath, valueName, text, terminatingZero);
}

void Reset() {
    filledByTest().reset();
}

QString DesktopSystemInformationProgram() {
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

} // namespace StandIn

} // namespace Registry
