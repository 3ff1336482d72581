#pragma once
// The plain-text file format of pages, templates and snippets: Windows-1250 or UTF-8 bytes,
// CR LF line breaks on disk, '\n' (one character) in memory.

#include <QByteArray>
#include <QString>
#include <QStringView>

struct TextEncoding {
    enum class Codec { Windows1250, Utf8 };
    Codec codec = Codec::Windows1250;
    bool byteOrderMark = false;

    friend bool operator==(const TextEncoding&, const TextEncoding&) = default;
};

struct DecodedText {
    QString text; // line breaks as '\n'
    TextEncoding encoding;
};

// A UTF-8 byte-order mark, or valid UTF-8 with at least one multi-byte sequence, reads as UTF-8;
// anything else as Windows-1250, every byte one character (so every byte comes back on saving).
// CR LF, lone LF and lone CR all become '\n'.
DecodedText DecodeTextFile(const QByteArray& bytes);

// Writes '\n' and the paragraph separator U+2029 as CR LF. A Windows-1250 text holding a character
// that code page lacks is written as UTF-8 instead (never as question marks); the encoding really
// used is returned through `used`.
QByteArray EncodeTextFile(QStringView text, const TextEncoding& wanted, TextEncoding* used);

// Whether every character of the text has a Windows-1250 byte.
bool FitsWindows1250(QStringView text);

// The Windows-1250 character of one byte, and the byte of a character (-1 when it has none).
char16_t Windows1250ToUnicode(unsigned char byte);
int UnicodeToWindows1250(char16_t ch);
