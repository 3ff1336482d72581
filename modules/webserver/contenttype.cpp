#include "contenttype.h"

#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace webserver {

namespace {

const QHash<QString, QByteArray>& knownTypes() {
    static const QHash<QString, QByteArray> types{
        {QStringLiteral("html"), "text/html"},
        {QStringLiteral("htm"), "text/html"},
        {QStringLiteral("tht"), "text/html"},
        {QStringLiteral("shtml"), "text/html"},
        {QStringLiteral("xhtml"), "application/xhtml+xml"},
        {QStringLiteral("css"), "text/css"},
        {QStringLiteral("js"), "text/javascript"},
        {QStringLiteral("mjs"), "text/javascript"},
        {QStringLiteral("json"), "application/json"},
        {QStringLiteral("txt"), "text/plain"},
        {QStringLiteral("xml"), "application/xml"},
        {QStringLiteral("csv"), "text/csv"},
        {QStringLiteral("png"), "image/png"},
        {QStringLiteral("jpg"), "image/jpeg"},
        {QStringLiteral("jpeg"), "image/jpeg"},
        {QStringLiteral("gif"), "image/gif"},
        {QStringLiteral("bmp"), "image/bmp"},
        {QStringLiteral("webp"), "image/webp"},
        {QStringLiteral("avif"), "image/avif"},
        {QStringLiteral("svg"), "image/svg+xml"},
        {QStringLiteral("ico"), "image/x-icon"},
        {QStringLiteral("woff"), "font/woff"},
        {QStringLiteral("woff2"), "font/woff2"},
        {QStringLiteral("ttf"), "font/ttf"},
        {QStringLiteral("otf"), "font/otf"},
        {QStringLiteral("eot"), "application/vnd.ms-fontobject"},
        {QStringLiteral("pdf"), "application/pdf"},
        {QStringLiteral("zip"), "application/zip"},
        {QStringLiteral("wasm"), "application/wasm"},
        {QStringLiteral("mp3"), "audio/mpeg"},
        {QStringLiteral("ogg"), "audio/ogg"},
        {QStringLiteral("wav"), "audio/wav"},
        {QStringLiteral("mp4"), "video/mp4"},
        {QStringLiteral("webm"), "video/webm"},
    };
    return types;
}

QString suffixOf(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

bool declaresOwnCharset(const QByteArray& head, bool isHtml) {
    if (isHtml) {
        // <meta charset="x"> and <meta http-equiv="Content-Type" content="text/html; charset=x">
        static const QRegularExpression metaCharset(QStringLiteral(R"(<meta\b[^>]*\bcharset\s*=)"),
                                                    QRegularExpression::CaseInsensitiveOption);
        return metaCharset.match(QString::fromLatin1(head)).hasMatch();
    }
    return head.startsWith("@charset");
}

} // namespace

QByteArray mimeTypeForFileName(const QString& fileName) {
    const auto found = knownTypes().constFind(suffixOf(fileName));
    if (found != knownTypes().constEnd())
        return *found;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault())
        return type.name().toLatin1();
    return "application/octet-stream";
}

bool needsCharsetDetection(const QString& fileName) {
    static const QStringList textSuffixes{
        QStringLiteral("html"),  QStringLiteral("htm"), QStringLiteral("tht"),
        QStringLiteral("shtml"), QStringLiteral("txt"), QStringLiteral("css"),
        QStringLiteral("js"),    QStringLiteral("mjs"), QStringLiteral("csv")};
    return textSuffixes.contains(suffixOf(fileName));
}

bool isValidUtf8(const QByteArray& bytes, bool allowTruncatedEnd) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int continuation = 0;
        unsigned char minSecond = 0x80;
        unsigned char maxSecond = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuation = 2;
            if (lead == 0xE0)
                minSecond = 0xA0; // overlong
            if (lead == 0xED)
                maxSecond = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuation = 3;
            if (lead == 0xF0)
                minSecond = 0x90;
            if (lead == 0xF4)
                maxSecond = 0x8F;
        } else {
            return false;
        }
        for (int k = 1; k <= continuation; ++k) {
            if (i + k >= size)
                return allowTruncatedEnd;
            const unsigned char byte = data[i + k];
            const unsigned char low = k == 1 ? minSecond : 0x80;
            const unsigned char high = k == 1 ? maxSecond : 0xBF;
            if (byte < low || byte > high)
                return false;
        }
        i += continuation + 1;
    }
    return true;
}

QByteArray detectCharset(const QByteArray& head, bool isHtml, bool headIsWholeFile) {
    if (head.startsWith("\xEF\xBB\xBF"))
        return "utf-8";
    if (declaresOwnCharset(head.left(4096), isHtml))
        return {};
    return isValidUtf8(head, !headIsWholeFile) ? QByteArray("utf-8") : QByteArray("windows-1250");
}

QByteArray contentTypeHeader(const QString& fileName, const QByteArray& head,
                             bool headIsWholeFile) {
    QByteArray type = mimeTypeForFileName(fileName);
    if (!needsCharsetDetection(fileName))
        return type;
    const QByteArray charset = detectCharset(head, type == "text/html", headIsWholeFile);
    if (!charset.isEmpty())
        type += "; charset=" + charset;
    return type;
}

} // namespace webserver
