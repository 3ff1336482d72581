#pragma once

#include <QString>
#include <QStringList>

namespace ftp {

// Which file systems a name has to be harmless on. Windows forbids more than the others.
enum class NameRules { Portable, Windows };

#ifdef Q_OS_WIN
constexpr NameRules kLocalNameRules = NameRules::Windows;
#else
constexpr NameRules kLocalNameRules = NameRules::Portable;
#endif

// Names from a server or typed by the user must be exactly one path component: anything else
// could make a transfer reach outside the folder it was meant for.
bool isSafeName(const QString& name, NameRules rules = kLocalNameRules);

// A name as it may be shown in the log or a message: control characters spelled out, long
// names shortened, so a hostile name cannot forge log lines or flood a message box.
QString printableName(const QString& name);

// "„a”, „b”: a kiszolgáló nem biztonságos nevet küldött, kihagytam." and the like.
QString skippedNamesMessage(const QStringList& names, const QString& reason);
QString unsafeNameReason();    // the server sent the name
QString unsafeUploadReason();  // a local name that would leave the remote folder
QString outsideFolderReason(); // a local target that would leave the chosen folder

} // namespace ftp
