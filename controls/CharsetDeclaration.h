#pragma once
// A page's own statement of its encoding: <meta charset="..."> or
// <meta http-equiv="Content-Type" content="...; charset=...">, found the way browsers pre-scan
// the first 1024 bytes of a page. Pure functions, usable from any thread.

#include <QByteArray>
#include <QStringView>
#include <optional>

#include "controls/TextFileCodec.h"

struct CharsetDeclaration {
    TextEncoding::Codec codec;
    // Where the encoding's name stands in the scanned bytes (or characters), so it can be
    // replaced.
    qsizetype start = 0;
    qsizetype length = 0;
};

// How many leading bytes the pre-scan looks at.
inline constexpr qsizetype kDeclarationScanBytes = 1024;

// The known encoding an encoding label names: trimmed of ASCII white space and compared without
// regard to ASCII case, as the labels of the web's encoding table ("latin2", "l2", "iso8859-2",
// "iso-8859-1", "ascii", "utf8", ...). UTF-16 labels name UTF-8, as in a page's declaration.
std::optional<TextEncoding::Codec> codecForLabel(QByteArrayView label);

// The first declaration in the first 1024 bytes that names a known encoding; declarations with
// unknown names are passed over.
std::optional<CharsetDeclaration> findCharsetDeclaration(QByteArrayView bytes);

// The same over editor text: positions are character positions of the text.
std::optional<CharsetDeclaration> findCharsetDeclaration(QStringView text);

// The encoding a text is written in: a byte-order mark keeps the remembered encoding (browsers
// read by it); else the page's own declaration, when it names a known encoding other than the one
// its file declared (fileDeclared: what the file's declaration named when it was read or last
// written); else the remembered encoding (Windows-1250 for a new document). So a file whose
// bytes could not follow its declaration is written back as it was read, while a declaration the
// user wrote or changed is followed.
TextEncoding encodingForSaving(QStringView text, const TextEncoding& remembered,
                               std::optional<TextEncoding::Codec> fileDeclared);
