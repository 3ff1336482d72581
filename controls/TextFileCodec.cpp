#include "controls/TextFileCodec.h"

#include "controls/CharsetDeclaration.h"
#include "controls/HeapMemory.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// Bytes 0x80..0xFF of Windows-1250. The five bytes the code page leaves unassigned map to the C1
// control characters of the same number, so they survive a load and save unchanged.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

// Bytes 0xA0..0xFF of ISO-8859-2; 0x80..0x9F are the C1 control characters.
constexpr std::array<char16_t, 96> kIso8859_2Upper = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, // A0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B, // A8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, // B0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

// Bytes 0x80..0x9F of Windows-1252 (0xA0..0xFF are Latin-1); its five unassigned bytes map to
// the C1 control characters of the same number, as for Windows-1250.
constexpr std::array<char16_t, 32> kWindows1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

// One single-byte code page: the characters of bytes 0x80..0xFF, and back.
struct SingleByteTable {
    std::array<char16_t, 128> high{};
    // 0 = no byte (character 0 itself is handled before the lookup).
    std::array<unsigned char, 0x10000> bytes{};

    explicit SingleByteTable(const std::array<char16_t, 128>& highHalf) : high(highHalf) {
        for (int b = 1; b < 0x80; ++b)
            bytes[b] = static_cast<unsigned char>(b);
        for (int i = 0; i < 128; ++i)
            bytes[high[i]] = static_cast<unsigned char>(0x80 + i);
    }
};

std::array<char16_t, 128> iso8859_2High() {
    std::array<char16_t, 128> high{};
    for (int i = 0; i < 32; ++i)
        high[i] = char16_t(0x80 + i);
    for (int i = 0; i < 96; ++i)
        high[32 + i] = kIso8859_2Upper[i];
    return high;
}

std::array<char16_t, 128> windows1252High() {
    std::array<char16_t, 128> high{};
    for (int i = 0; i < 32; ++i)
        high[i] = kWindows1252C1[i];
    for (int i = 32; i < 128; ++i)
        high[i] = char16_t(0x80 + i);
    return high;
}

// Built on first use; static initialisation is thread-safe.
const SingleByteTable& tableFor(TextEncoding::Codec codec) {
    switch (codec) {
    case TextEncoding::Codec::Iso8859_2: {
        static const SingleByteTable table(iso8859_2High());
        return table;
    }
    case TextEncoding::Codec::Windows1252: {
        static const SingleByteTable table(windows1252High());
        return table;
    }
    default: {
        static const SingleByteTable table(kHighHalf);
        return table;
    }
    }
}

constexpr quint64 kHighBits = 0x8080808080808080ull;
constexpr quint64 kOnes = 0x0101010101010101ull;

// True when none of the eight bytes is a CR and none has its top bit set.
inline bool plainAsciiWord(quint64 word) {
    const quint64 cr = word ^ (kOnes * 0x0D);
    const quint64 hasCr = (cr - kOnes) & ~cr & kHighBits;
    return ((word & kHighBits) | hasCr) == 0;
}

// Strict UTF-8 check (no overlong forms, no surrogates, nothing past U+10FFFF), so that text
// decoded from it encodes back to the very same bytes.
bool isStrictUtf8(const unsigned char* p, qsizetype n, bool* hasMultiByte) {
    *hasMultiByte = false;
    qsizetype i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if ((word & kHighBits) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        *hasMultiByte = true;
        int extra;
        quint32 cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Copies the eight bytes at p[i] to out[o] and moves both on past them when all eight are plain
// ASCII (no CR among them); otherwise leaves everything as it was and returns false. Stepping by
// a fixed eight (not up to the first other byte) keeps the next read independent of this one.
inline bool copyPlainAscii(const unsigned char* p, char16_t* out, qsizetype& i, qsizetype& o) {
    quint64 word;
    std::memcpy(&word, p + i, 8);
    if (!plainAsciiWord(word))
        return false;
    for (int k = 0; k < 8; ++k)
        out[o + k] = p[i + k];
    o += 8;
    i += 8;
    return true;
}

// Room for a text of up to `length` characters that a decoder is about to write all over, its
// memory brought in at once (see HeapMemory::bringIn).
QString textToDecodeInto(qsizetype length) {
    QString text(length, Qt::Uninitialized);
    HeapMemory::bringIn(text.data(), length * qsizetype(sizeof(QChar)));
    return text;
}

QString decodeSingleByte(const unsigned char* p, qsizetype n, const SingleByteTable& table) {
    const char16_t* high = table.high.data();
    QString text = textToDecodeInto(n);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype o = 0;
    qsizetype i = 0;
    while (i < n) {
        if (i + 8 <= n && copyPlainAscii(p, out, i, o))
            continue;
        const unsigned char c = p[i++];
        if (c == '\r') {
            out[o++] = u'\n';
            if (i < n && p[i] == '\n')
                ++i;
        } else {
            out[o++] = c < 0x80 ? char16_t(c) : high[c - 0x80];
        }
    }
    text.resize(o);
    return text;
}

// Reads the character at p[i] (n bytes in all) to out[o] and moves both on past it; CR LF and a
// lone CR read as LF.
inline void readUtf8Character(const unsigned char* p, qsizetype n, char16_t* out, qsizetype& i,
                              qsizetype& o) {
    const unsigned char c = p[i];
    if (c < 0x80) {
        ++i;
        if (c == '\r') {
            out[o++] = u'\n';
            if (i < n && p[i] == '\n')
                ++i;
        } else {
            out[o++] = c;
        }
        return;
    }
    if (c >= 0xC0 && c < 0xE0 && i + 1 < n) { // the most common: Latin, Greek, Cyrillic
        out[o++] = char16_t(((c & 0x1F) << 6) | (p[i + 1] & 0x3F));
        i += 2;
        return;
    }
    const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > n) {
        out[o++] = char16_t(QChar::ReplacementCharacter);
        ++i;
        return;
    }
    char32_t cp = c & (0x7F >> length);
    for (int k = 1; k < length; ++k)
        cp = (cp << 6) | (p[i + k] & 0x3F);
    i += length;
    if (cp >= 0x10000) {
        out[o++] = QChar::highSurrogate(cp);
        out[o++] = QChar::lowSurrogate(cp);
    } else {
        out[o++] = char16_t(cp);
    }
}

// Decodes UTF-8 that isStrictUtf8 accepted, reading CR LF and a lone CR as LF. A mark at the
// start stays a character: the caller skips the one that names the encoding. Bytes that are
// not UTF-8 after all (the caller's mistake) each read as U+FFFD, never past the end.
QString decodeUtf8(const QByteArray& bytes, qsizetype start) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + start;
    const qsizetype n = bytes.size() - start;
    QString text = textToDecodeInto(n); // never more UTF-16 units than UTF-8 bytes
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype o = 0;
    qsizetype i = 0;
    while (i < n) {
        if (i + 8 <= n && copyPlainAscii(p, out, i, o))
            continue;
        // Not all plain: the next eight bytes or so one character at a time.
        for (const qsizetype stop = std::min(n, i + 8); i < stop;)
            readUtf8Character(p, n, out, i, o);
    }
    text.resize(o);
    return text;
}

bool isLineBreak(char16_t c) {
    return c == u'\n' || c == 0x2029;
}

// UTF-8 can write every character but a lone half of a surrogate pair.
std::optional<qsizetype> firstLoneSurrogate(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1].unicode() >= 0xDC00 &&
            text[i + 1].unicode() <= 0xDFFF) {
            ++i;
            continue;
        }
        return i;
    }
    return std::nullopt;
}

DecodedText decode(const QByteArray& bytes, bool lookForDeclaration) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    DecodedText result;

    const bool bom = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
    bool multiByte = false;
    const qsizetype start = bom ? 3 : 0;
    const bool validUtf8 = isStrictUtf8(p + start, n - start, &multiByte);
    if (bom && validUtf8) {
        result.text = decodeUtf8(bytes, start);
        result.encoding = {TextEncoding::Codec::Utf8, true};
        result.source = EncodingSource::ByteOrderMark;
        return result;
    }
    if (lookForDeclaration && !bom) {
        const auto declared = findCharsetDeclaration(QByteArrayView(bytes));
        if (declared)
            result.declared = declared->codec;
        // Bytes that are not UTF-8 under a UTF-8 declaration are left to the rules below, which
        // keep every byte.
        if (declared && (declared->codec != TextEncoding::Codec::Utf8 || validUtf8)) {
            result.encoding = {declared->codec, false};
            result.source = EncodingSource::Declaration;
            result.text = declared->codec == TextEncoding::Codec::Utf8
                              ? decodeUtf8(bytes, 0)
                              : decodeSingleByte(p, n, tableFor(declared->codec));
            return result;
        }
    }
    if (validUtf8 && multiByte && !bom) {
        result.text = decodeUtf8(bytes, 0);
        result.encoding = {TextEncoding::Codec::Utf8, false};
        result.source = EncodingSource::Utf8Validity;
        return result;
    }
    result.text = decodeSingleByte(p, n, tableFor(TextEncoding::Codec::Windows1250));
    result.encoding = {TextEncoding::Codec::Windows1250, false};
    result.source = EncodingSource::Fallback;
    return result;
}

QByteArray encodeUtf8(QStringView text, bool byteOrderMark) {
    QByteArray out;
    out.reserve(text.size() * 11 / 10 + 16);
    if (byteOrderMark)
        out.append("\xEF\xBB\xBF", 3);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(text[i].unicode())) {
            out.append(text.mid(runStart, i - runStart).toUtf8());
            out.append("\r\n", 2);
            runStart = i + 1;
        }
    }
    out.append(text.mid(runStart).toUtf8());
    return out;
}
} // namespace

QString encodingName(TextEncoding::Codec codec) {
    switch (codec) {
    case TextEncoding::Codec::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Codec::Iso8859_2:
        return QStringLiteral("ISO-8859-2");
    case TextEncoding::Codec::Windows1252:
        return QStringLiteral("windows-1252");
    case TextEncoding::Codec::Windows1250:
        break;
    }
    return QStringLiteral("windows-1250");
}

int unicodeToWindows1250(char16_t ch) {
    if (ch == 0)
        return 0;
    const unsigned char b = tableFor(TextEncoding::Codec::Windows1250).bytes[ch];
    return b == 0 ? -1 : b;
}

std::optional<qsizetype> firstUnencodable(QStringView text, TextEncoding::Codec codec) {
    if (codec == TextEncoding::Codec::Utf8)
        return firstLoneSurrogate(text);
    const auto& table = tableFor(codec).bytes;
    const char16_t* data = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i];
        if (c >= 0x80 && table[c] == 0 && c != 0x2029)
            return i;
    }
    return std::nullopt;
}

bool fitsWindows1250(QStringView text) {
    return !firstUnencodable(text, TextEncoding::Codec::Windows1250);
}

DecodedText decodeTextFile(const QByteArray& bytes) {
    return decode(bytes, true);
}

DecodedText decodeSnippetFile(const QByteArray& bytes) {
    return decode(bytes, false);
}

std::optional<QByteArray> encodeTextFile(QStringView text, const TextEncoding& encoding) {
    if (firstUnencodable(text, encoding.codec))
        return std::nullopt;
    if (encoding.codec == TextEncoding::Codec::Utf8)
        return encodeUtf8(text, encoding.byteOrderMark);

    const auto& table = tableFor(encoding.codec).bytes;
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* o = out.data();
    qsizetype w = 0;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80 && c != u'\n') {
            o[w++] = char(c);
        } else if (isLineBreak(c)) {
            o[w++] = '\r';
            o[w++] = '\n';
        } else {
            o[w++] = char(table[c]);
        }
    }
    out.resize(w);
    return out;
}
