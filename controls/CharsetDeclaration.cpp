#include "controls/CharsetDeclaration.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cstring>

namespace {
using Codec = TextEncoding::Codec;

struct Label {
    const char* name;
    Codec codec;
};

// The labels of the web's encoding table for the encodings we read and write.
constexpr std::array kLabels = {
    Label{"unicode-1-1-utf-8", Codec::Utf8},
    Label{"unicode11utf8", Codec::Utf8},
    Label{"unicode20utf8", Codec::Utf8},
    Label{"utf-8", Codec::Utf8},
    Label{"utf8", Codec::Utf8},
    Label{"x-unicode20utf8", Codec::Utf8},
    // A page that claims UTF-16 while its bytes are ASCII-compatible is UTF-8.
    Label{"csunicode", Codec::Utf8},
    Label{"iso-10646-ucs-2", Codec::Utf8},
    Label{"ucs-2", Codec::Utf8},
    Label{"unicode", Codec::Utf8},
    Label{"unicodefeff", Codec::Utf8},
    Label{"utf-16", Codec::Utf8},
    Label{"utf-16le", Codec::Utf8},
    Label{"unicodefffe", Codec::Utf8},
    Label{"utf-16be", Codec::Utf8},
    Label{"cp1250", Codec::Windows1250},
    Label{"windows-1250", Codec::Windows1250},
    Label{"x-cp1250", Codec::Windows1250},
    Label{"csisolatin2", Codec::Iso8859_2},
    Label{"iso-8859-2", Codec::Iso8859_2},
    Label{"iso-ir-101", Codec::Iso8859_2},
    Label{"iso8859-2", Codec::Iso8859_2},
    Label{"iso88592", Codec::Iso8859_2},
    Label{"iso_8859-2", Codec::Iso8859_2},
    Label{"iso_8859-2:1987", Codec::Iso8859_2},
    Label{"l2", Codec::Iso8859_2},
    Label{"latin2", Codec::Iso8859_2},
    Label{"ansi_x3.4-1968", Codec::Windows1252},
    Label{"ascii", Codec::Windows1252},
    Label{"cp1252", Codec::Windows1252},
    Label{"cp819", Codec::Windows1252},
    Label{"csisolatin1", Codec::Windows1252},
    Label{"ibm819", Codec::Windows1252},
    Label{"iso-8859-1", Codec::Windows1252},
    Label{"iso-ir-100", Codec::Windows1252},
    Label{"iso8859-1", Codec::Windows1252},
    Label{"iso88591", Codec::Windows1252},
    Label{"iso_8859-1", Codec::Windows1252},
    Label{"iso_8859-1:1987", Codec::Windows1252},
    Label{"l1", Codec::Windows1252},
    Label{"latin1", Codec::Windows1252},
    Label{"us-ascii", Codec::Windows1252},
    Label{"windows-1252", Codec::Windows1252},
    Label{"x-cp1252", Codec::Windows1252},
    Label{"x-user-defined", Codec::Windows1252},
};

constexpr bool isSpace(char c) {
    return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

constexpr char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 0x20) : c;
}

bool startsWithNoCase(QByteArrayView bytes, qsizetype at, const char* word) {
    const qsizetype n = qsizetype(std::strlen(word));
    if (at + n > bytes.size())
        return false;
    for (qsizetype i = 0; i < n; ++i)
        if (lower(bytes[at + i]) != word[i])
            return false;
    return true;
}

struct Attribute {
    QByteArray name;  // lower case
    QByteArray value; // lower case
    qsizetype valueStart = 0;
};

// The pre-scan over at most 1024 bytes. Reaching the end anywhere inside a construct ends the
// scan without a result, as in a browser.
class PreScanner {
public:
    explicit PreScanner(QByteArrayView bytes)
        : m_bytes(bytes.first(std::min(bytes.size(), kDeclarationScanBytes))) {}

    std::optional<CharsetDeclaration> run() {
        const qsizetype n = m_bytes.size();
        while (m_pos < n) {
            if (startsWith("<!--")) {
                // Past the first "-->", whose dashes may be those of "<!--" itself.
                const qsizetype end = QByteArrayView(m_bytes).indexOf("-->", m_pos + 2);
                if (end < 0)
                    return {};
                m_pos = end + 3;
                continue;
            }
            if (startsWithNoCase(m_bytes, m_pos, "<meta") && m_pos + 5 < n &&
                (isSpace(m_bytes[m_pos + 5]) || m_bytes[m_pos + 5] == '/')) {
                m_pos += 6;
                if (auto found = metaElement())
                    return found;
                if (m_ended)
                    return {};
                continue;
            }
            if (m_bytes[m_pos] == '<' && m_pos + 1 < n &&
                (isLetter(m_bytes[m_pos + 1]) ||
                 (m_bytes[m_pos + 1] == '/' && m_pos + 2 < n && isLetter(m_bytes[m_pos + 2])))) {
                // Any other tag: its name, then its attributes are skipped.
                while (m_pos < n && !isSpace(m_bytes[m_pos]) && m_bytes[m_pos] != '>')
                    ++m_pos;
                while (attribute()) {
                }
                if (m_ended)
                    return {};
                continue;
            }
            if (startsWith("<!") || startsWith("</") || startsWith("<?")) {
                const qsizetype end = QByteArrayView(m_bytes).indexOf('>', m_pos + 2);
                if (end < 0)
                    return {};
                m_pos = end + 1;
                continue;
            }
            ++m_pos;
        }
        return {};
    }

private:
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    bool startsWith(const char* word) const {
        const qsizetype len = qsizetype(std::strlen(word));
        return m_pos + len <= m_bytes.size() &&
               std::memcmp(m_bytes.data() + m_pos, word, size_t(len)) == 0;
    }
    bool atEnd() {
        if (m_pos >= m_bytes.size())
            m_ended = true;
        return m_ended;
    }

    std::optional<CharsetDeclaration> metaElement() {
        QVarLengthArray<QByteArray, 8> seen;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        std::optional<CharsetDeclaration> charset;
        std::optional<Attribute> a;
        while ((a = attribute())) {
            if (std::find(seen.begin(), seen.end(), a->name) != seen.end())
                continue;
            seen.append(a->name);
            if (a->name == "http-equiv") {
                gotPragma = gotPragma || a->value == "content-type";
            } else if (a->name == "content") {
                if (!charset) {
                    auto inContent = charsetInContent(*a);
                    if (inContent && inContent->length >= 0) {
                        charset = inContent;
                        needPragma = true;
                    }
                }
            } else if (a->name == "charset") {
                charset = declaration(a->value, a->valueStart);
                needPragma = false;
            }
        }
        if (m_ended || !needPragma || (*needPragma && !gotPragma) || !charset ||
            charset->length < 0)
            return {};
        return charset;
    }

    // A charset whose label is unknown comes back with length -1: it still counts as found
    // (the later "content" is then not consulted), but names nothing.
    static CharsetDeclaration declaration(const QByteArray& label, qsizetype start) {
        const auto codec = codecForLabel(label);
        // The name without its surrounding white space, for replacing it.
        qsizetype from = 0;
        qsizetype to = label.size();
        while (from < to && isSpace(label[from]))
            ++from;
        while (to > from && isSpace(label[to - 1]))
            --to;
        if (!codec)
            return {TextEncoding::Codec::Windows1250, start + from, -1};
        return {*codec, start + from, to - from};
    }

    // The "charset=" part of a Content-Type value.
    static std::optional<CharsetDeclaration> charsetInContent(const Attribute& a) {
        const QByteArray& v = a.value;
        qsizetype pos = 0;
        for (;;) {
            pos = v.indexOf("charset", pos);
            if (pos < 0)
                return {};
            pos += 7;
            while (pos < v.size() && isSpace(v[pos]))
                ++pos;
            if (pos >= v.size())
                return {};
            if (v[pos] != '=')
                continue;
            ++pos;
            while (pos < v.size() && isSpace(v[pos]))
                ++pos;
            if (pos >= v.size())
                return {};
            if (v[pos] == '"' || v[pos] == '\'') {
                const qsizetype close = v.indexOf(v[pos], pos + 1);
                if (close < 0)
                    return {};
                return declaration(v.mid(pos + 1, close - pos - 1), a.valueStart + pos + 1);
            }
            qsizetype end = pos;
            while (end < v.size() && !isSpace(v[end]) && v[end] != ';')
                ++end;
            return declaration(v.mid(pos, end - pos), a.valueStart + pos);
        }
    }

    // One attribute of a tag, or nothing at the tag's end (or the input's).
    std::optional<Attribute> attribute() {
        while (!atEnd() && (isSpace(m_bytes[m_pos]) || m_bytes[m_pos] == '/'))
            ++m_pos;
        if (atEnd() || m_bytes[m_pos] == '>')
            return {};
        Attribute a;
        for (;;) {
            if (atEnd())
                return {};
            const char c = m_bytes[m_pos];
            if (c == '=' && !a.name.isEmpty()) {
                ++m_pos;
                break;
            }
            if (isSpace(c)) {
                while (!atEnd() && isSpace(m_bytes[m_pos]))
                    ++m_pos;
                if (atEnd())
                    return {};
                if (m_bytes[m_pos] != '=')
                    return a;
                ++m_pos;
                break;
            }
            if (c == '/' || c == '>')
                return a;
            a.name.append(lower(c));
            ++m_pos;
        }
        while (!atEnd() && isSpace(m_bytes[m_pos]))
            ++m_pos;
        if (atEnd())
            return {};
        const char first = m_bytes[m_pos];
        if (first == '"' || first == '\'') {
            a.valueStart = ++m_pos;
            for (;;) {
                if (atEnd())
                    return {};
                if (m_bytes[m_pos] == first) {
                    ++m_pos;
                    return a;
                }
                a.value.append(lower(m_bytes[m_pos++]));
            }
        }
        if (first == '>')
            return a;
        a.valueStart = m_pos;
        for (;;) {
            if (atEnd())
                return {};
            const char c = m_bytes[m_pos];
            if (isSpace(c) || c == '>')
                return a;
            a.value.append(lower(c));
            ++m_pos;
        }
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_ended = false;
};
} // namespace

std::optional<TextEncoding::Codec> codecForLabel(QByteArrayView label) {
    qsizetype from = 0;
    qsizetype to = label.size();
    while (from < to && isSpace(label[from]))
        ++from;
    while (to > from && isSpace(label[to - 1]))
        --to;
    const qsizetype n = to - from;
    if (n == 0 || n > 32)
        return {};
    char folded[32];
    for (qsizetype i = 0; i < n; ++i)
        folded[i] = lower(label[from + i]);
    for (const Label& known : kLabels)
        if (qsizetype(std::strlen(known.name)) == n &&
            std::memcmp(known.name, folded, size_t(n)) == 0)
            return known.codec;
    return {};
}

std::optional<CharsetDeclaration> findCharsetDeclaration(QByteArrayView bytes) {
    return PreScanner(bytes).run();
}

std::optional<CharsetDeclaration> findCharsetDeclaration(QStringView text) {
    // Characters outside ASCII never take part in the syntax; one non-ASCII byte stands for each,
    // so positions stay character positions.
    const qsizetype n = std::min(text.size(), kDeclarationScanBytes);
    char bytes[kDeclarationScanBytes];
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        bytes[i] = c < 0x80 ? char(c) : c == 0x2029 ? '\n' : char(0x80);
    }
    return PreScanner(QByteArrayView(bytes, n)).run();
}

TextEncoding encodingForSaving(QStringView text, const TextEncoding& remembered,
                               std::optional<TextEncoding::Codec> fileDeclared) {
    if (remembered.byteOrderMark)
        return remembered;
    if (const auto declared = findCharsetDeclaration(text);
        declared && declared->codec != fileDeclared)
        return {declared->codec, false};
    return remembered;
}
