#include "safename.h"

namespace ftp {

namespace {

bool isControl(QChar ch) {
    const char16_t unit = ch.unicode();
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open a device on Windows, with any extension.
bool isWindowsDeviceName(const QString& name) {
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList plain = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                      QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                      QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (plain.contains(stem))
        return true;
    if (stem.size() != 4 ||
        !(stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))))
        return false;
    const QChar digit = stem.at(3);
    // Windows also treats the superscript digits as port numbers.
    return (digit >= QLatin1Char('1') && digit <= QLatin1Char('9')) || digit == QChar(0x00B9) ||
           digit == QChar(0x00B2) || digit == QChar(0x00B3);
}

} // namespace

bool isSafeName(const QString& name, NameRules rules) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar ch : name) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || isControl(ch))
            return false;
    }
    if (rules == NameRules::Windows) {
        // ':' names a drive or a hidden stream; Windows drops trailing dots and spaces, so
        // ".. " would turn into "..".
        for (const QChar ch : name) {
            if (QStringView(u":*?\"<>|").contains(ch))
                return false;
        }
        if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
            return false;
        if (isWindowsDeviceName(name))
            return false;
    }
    return true;
}

QString printableName(const QString& name) {
    constexpr int kMaxShown = 120;
    QString shown;
    for (const QChar ch : name) {
        if (shown.size() >= kMaxShown) {
            shown += QChar(0x2026);
            break;
        }
        if (isControl(ch))
            shown += QStringLiteral("\\x%1").arg(int(ch.unicode()), 2, 16, QLatin1Char('0'));
        else
            shown += ch;
    }
    return shown;
}

QString skippedNamesMessage(const QStringList& names, const QString& reason) {
    constexpr int kMaxNamed = 12;
    QStringList quoted;
    for (int i = 0; i < names.size() && i < kMaxNamed; ++i)
        quoted << QStringLiteral("„%1”").arg(printableName(names.at(i)));
    if (names.size() > kMaxNamed)
        quoted << QStringLiteral("és még %1 elem").arg(names.size() - kMaxNamed);
    return quoted.join(QStringLiteral(", ")) + QStringLiteral(": ") + reason;
}

QString unsafeNameReason() {
    return QStringLiteral("a kiszolgáló nem biztonságos nevet küldött, kihagytam.");
}

QString unsafeUploadReason() {
    return QStringLiteral("a név a távoli mappán kívülre vezetne, kihagytam.");
}

QString outsideFolderReason() {
    return QStringLiteral("a helyi cél a választott mappán kívülre esne, kihagytam.");
}

} // namespace ftp
