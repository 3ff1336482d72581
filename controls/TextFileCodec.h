#pragma once
// The plain-text file format of pages, templates and snippets: UTF-8, Windows-1250, ISO-8859-2
// or Windows-1252 bytes, CR LF line breaks on disk, '\n' (one character) in memory.
//
// Every function here is pure (bytes in, text out and back), so it may run on any thread.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

struct TextEncoding {
    // ISO-8859-1 and ASCII pages read as Windows-1252, as browsers read them.
    enum class Codec { Windows1250, Utf8, Iso8859_2, Windows1252 };
    Codec codec = Codec::Windows1250;
    bool byteOrderMark = false; // UTF-8 only

    friend bool operator==(const TextEncoding&, const TextEncoding&) = default;
};

// How the encoding of a file was decided.
enum class EncodingSource { ByteOrderMark, Declaration, Utf8Validity, Fallback };

struct DecodedText {
    QString text; // line breaks as '\n'
    TextEncoding encoding;
    EncodingSource source = EncodingSource::Fallback;
    // What the page's declaration names, also when its bytes did not allow following it.
    std::optional<TextEncoding::Codec> declared;
};

// The name a page's declaration and the user see: "UTF-8", "windows-1250", "ISO-8859-2",
// "windows-1252".
QString encodingName(TextEncoding::Codec codec);

// Pages, in the order browsers use: a UTF-8 byte-order mark; else the page's own charset
// declaration in its first 1024 bytes (when it names a known encoding and, for UTF-8, the bytes
// are valid UTF-8); else valid UTF-8 with at least one multi-byte sequence; else Windows-1250.
// The single-byte encodings give every byte one character, so every byte comes back on saving.
// CR LF, lone LF and lone CR all become '\n'.
DecodedText decodeTextFile(const QByteArray& bytes);

// Snippet files: the same, without looking for a declaration (a snippet's <meta> describes the
// page it is inserted into, not the snippet file).
DecodedText decodeSnippetFile(const QByteArray& bytes);

// The position of the first character the encoding cannot write, if any. '\n' and U+2029 are
// line breaks and always fit.
std::optional<qsizetype> firstUnencodable(QStringView text, TextEncoding::Codec codec);

// Writes '\n' and the paragraph separator U+2029 as CR LF. Nothing when a character does not fit
// the encoding (see firstUnencodable): a character is never replaced by a question mark.
std::optional<QByteArray> encodeTextFile(QStringView text, const TextEncoding& encoding);

// Whether every character of the text has a Windows-1250 byte.
bool fitsWindows1250(QStringView text);

// The Windows-1250 byte of a character (-1 when it has none).
int unicodeToWindows1250(char16_t ch);
