#include "controls/TextFileCodec.h"

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

struct ReverseTable {
    // 0 = no byte (character 0 itself is handled before the lookup).
    std::array<unsigned char, 0x10000> bytes{};
    ReverseTable() {
        for (int b = 1; b < 0x80; ++b)
            bytes[b] = static_cast<unsigned char>(b);
        for (int i = 0; i < 128; ++i)
            bytes[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
    }
};

const ReverseTable& reverseTable() {
    static const ReverseTable table;
    return table;
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

// Turns CR LF and lone CR into LF, in place; returns the new length.
qsizetype normaliseLineBreaks(char* data, qsizetype n) {
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', size_t(n)));
    if (!cr)
        return n;
    qsizetype out = cr - data;
    for (qsizetype i = out; i < n; ++i) {
        const char c = data[i];
        if (c == '\r') {
            data[out++] = '\n';
            if (i + 1 < n && data[i + 1] == '\n')
                ++i;
        } else {
            data[out++] = c;
        }
    }
    return out;
}

QString decodeWindows1250(const unsigned char* p, qsizetype n) {
    QString text(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype o = 0;
    qsizetype i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (plainAsciiWord(word)) {
                for (int k = 0; k < 8; ++k)
                    out[o + k] = p[i + k];
                o += 8;
                i += 8;
                continue;
            }
        }
        const unsigned char c = p[i++];
        if (c == '\r') {
            out[o++] = u'\n';
            if (i < n && p[i] == '\n')
                ++i;
        } else {
            out[o++] = c < 0x80 ? char16_t(c) : kHighHalf[c - 0x80];
        }
    }
    text.resize(o);
    return text;
}

void appendCrLf(QByteArray& out) {
    out.append("\r\n", 2);
}
} // namespace

char16_t Windows1250ToUnicode(unsigned char byte) {
    return byte < 0x80 ? char16_t(byte) : kHighHalf[byte - 0x80];
}

int UnicodeToWindows1250(char16_t ch) {
    if (ch == 0)
        return 0;
    const unsigned char b = reverseTable().bytes[ch];
    return b == 0 ? -1 : b;
}

bool FitsWindows1250(QStringView text) {
    const auto& table = reverseTable().bytes;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c != 0 && c != 0x2029 && table[c] == 0)
            return false;
    }
    return true;
}

DecodedText DecodeTextFile(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    DecodedText result;

    const bool bom = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
    bool multiByte = false;
    const qsizetype start = bom ? 3 : 0;
    if (isStrictUtf8(p + start, n - start, &multiByte) && (bom || multiByte)) {
        QByteArray body = bytes.mid(start);
        body.resize(normaliseLineBreaks(body.data(), body.size()));
        result.text = QString::fromUtf8(body);
        result.encoding = {TextEncoding::Codec::Utf8, bom};
        return result;
    }
    result.text = decodeWindows1250(p, n);
    result.encoding = {TextEncoding::Codec::Windows1250, false};
    return result;
}

QByteArray EncodeTextFile(QStringView text, const TextEncoding& wanted, TextEncoding* used) {
    TextEncoding encoding = wanted;
    if (encoding.codec == TextEncoding::Codec::Windows1250 && !FitsWindows1250(text))
        encoding = {TextEncoding::Codec::Utf8, false};
    if (used)
        *used = encoding;

    QByteArray out;
    if (encoding.codec == TextEncoding::Codec::Utf8) {
        out.reserve(text.size() * 11 / 10 + 16);
        if (encoding.byteOrderMark)
            out.append("\xEF\xBB\xBF", 3);
        qsizetype runStart = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c == u'\n' || c == 0x2029) {
                out.append(text.mid(runStart, i - runStart).toUtf8());
                appendCrLf(out);
                runStart = i + 1;
            }
        }
        out.append(text.mid(runStart).toUtf8());
        return out;
    }

    const auto& table = reverseTable().bytes;
    out.resize(text.size() * 2);
    char* o = out.data();
    qsizetype w = 0;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80 && c != u'\n') {
            o[w++] = char(c);
        } else if (c == u'\n' || c == 0x2029) {
            o[w++] = '\r';
            o[w++] = '\n';
        } else {
            o[w++] = char(table[c]);
        }
    }
    out.resize(w);
    return out;
}
