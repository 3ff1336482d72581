#include "documents/RecoveryCopy.h"

#include "controls/CharsetDeclaration.h"

#include <QCryptographicHash>
#include <QHash>
#include <QUrl>

namespace {
constexpr int kLongestHeader = 64 * 1024;

QByteArray digest(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Captions and paths may hold any character, line breaks included.
QByteArray field(const char* name, const QString& value) {
    return QByteArray(name) + ": " + QUrl::toPercentEncoding(value) + '\n';
}
} // namespace

QString recoveryEncodingName(const TextEncoding& encoding) {
    // "utf-8", "windows-1250", "iso-8859-2", "windows-1252"
    return encodingName(encoding.codec).toLower();
}

std::optional<TextEncoding> recoveryEncodingFromName(const QString& name, bool byteOrderMark) {
    const auto codec = codecForLabel(name.toLatin1());
    if (!codec)
        return std::nullopt;
    return TextEncoding{*codec, byteOrderMark};
}

QByteArray encodeRecoveryCopy(const RecoveryCopy& copy) {
    QString text = copy.text;
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    const QByteArray body = text.toUtf8();

    QByteArray bytes;
    bytes.reserve(body.size() + 1024);
    bytes += QByteArray(RecoveryCopyFormat::Magic) + ' ' +
             QByteArray::number(RecoveryCopyFormat::kVersion) + '\n';
    bytes += field("caption", copy.caption);
    bytes += field("file", copy.file);
    bytes += field("encoding", recoveryEncodingName(copy.encoding));
    bytes += QByteArray("bom: ") + (copy.encoding.byteOrderMark ? "1" : "0") + '\n';
    bytes += "length: " + QByteArray::number(body.size()) + '\n';
    bytes += "sha256: " + digest(body) + '\n';
    bytes += '\n';
    bytes += body;
    return bytes;
}

std::optional<RecoveryCopy> decodeRecoveryCopy(const QByteArray& bytes, QString* reason) {
    auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    const QByteArray magic = QByteArray(RecoveryCopyFormat::Magic) + ' ';
    if (!bytes.startsWith(magic))
        return fail(QStringLiteral("ismeretlen formátum"));
    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (headerEnd < 0 || headerEnd > kLongestHeader)
        return fail(bytes.size() < kLongestHeader ? QStringLiteral("csonka")
                                                  : QStringLiteral("ismeretlen formátum"));

    const QList<QByteArray> lines = bytes.left(headerEnd).split('\n');
    bool versionOk = false;
    const int version = lines.first().mid(magic.size()).toInt(&versionOk);
    if (!versionOk)
        return fail(QStringLiteral("ismeretlen formátum"));
    if (version != RecoveryCopyFormat::kVersion)
        return fail(QStringLiteral("ismeretlen változat: %1").arg(version));

    QHash<QByteArray, QByteArray> fields;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(": ");
        if (colon <= 0)
            return fail(QStringLiteral("ismeretlen formátum"));
        fields.insert(lines[i].left(colon), lines[i].mid(colon + 2));
    }
    for (const char* required : {"caption", "file", "encoding", "bom", "length", "sha256"})
        if (!fields.contains(required))
            return fail(QStringLiteral("ismeretlen formátum"));

    bool lengthOk = false;
    const qint64 length = fields.value("length").toLongLong(&lengthOk);
    if (!lengthOk || length < 0)
        return fail(QStringLiteral("ismeretlen formátum"));
    const QByteArrayView body = QByteArrayView(bytes).sliced(headerEnd + 2);
    if (body.size() < length)
        return fail(QStringLiteral("csonka"));
    if (body.size() > length || digest(body) != fields.value("sha256"))
        return fail(QStringLiteral("sérült"));

    const bool bom = fields.value("bom") == "1";
    RecoveryCopy copy;
    copy.caption = QUrl::fromPercentEncoding(fields.value("caption"));
    copy.file = QUrl::fromPercentEncoding(fields.value("file"));
    // A name this version does not know still brings the text back, saved as a new document is.
    copy.encoding = recoveryEncodingFromName(QString::fromLatin1(fields.value("encoding")), bom)
                        .value_or(TextEncoding{});
    copy.text = QString::fromUtf8(body);
    return copy;
}
