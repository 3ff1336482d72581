#pragma once
// One recovery copy on disk: what a document window needs to come back after the program ended
// without closing it (its caption and file, how it is saved, its whole text).
//
// Layout: a header of UTF-8 "name: value" lines, an empty line, then the text as UTF-8 with '\n'
// line breaks. The header gives the text's length in bytes and its SHA-256, so a copy cut short
// by a power cut, or changed by anything else, is recognised rather than restored half.

#include <QByteArray>
#include <QString>
#include <optional>

#include "controls/TextFileCodec.h"

struct RecoveryCopy {
    QString caption;       // the window's title when the copy was written
    QString file;          // the file the window is bound to; empty for a "Dokumentum N" window
    TextEncoding encoding; // how the document is saved
    QString text;          // line breaks as '\n' or U+2029 (both written as '\n')
};

namespace RecoveryCopyFormat {
// The first line of every copy, followed by the format version.
inline constexpr char Magic[] = "WEBRIX-RECOVERY";
inline constexpr int kVersion = 1;
// File name extension of a copy.
inline constexpr char Suffix[] = ".wrxcopy";
// Largest copy read back: the largest document, three UTF-8 bytes per character, and a header.
inline constexpr qint64 MaximumSize = 3 * 512ll * 1024 * 1024 + 64 * 1024;
} // namespace RecoveryCopyFormat

// The encoding's name in a copy ("windows-1250", "utf-8") and back; nothing for an unknown name.
QString recoveryEncodingName(const TextEncoding& encoding);
std::optional<TextEncoding> recoveryEncodingFromName(const QString& name, bool byteOrderMark);

// The bytes of a copy. Heavy for large texts: the journal calls it off the user-interface thread.
QByteArray encodeRecoveryCopy(const RecoveryCopy& copy);

// Reads a copy back; on failure returns nothing and says why in Hungarian (truncated, not a copy,
// written by a newer version).
std::optional<RecoveryCopy> decodeRecoveryCopy(const QByteArray& bytes, QString* reason);
