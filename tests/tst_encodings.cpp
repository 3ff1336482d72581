// Which encoding a page is read in (byte-order mark, the page's declaration, UTF-8 validity,
// Windows-1250) and that every way of reading gives the same bytes back.

#include <QStringDecoder>

#include "controls/CharsetDeclaration.h"
#include "controls/TextFileCodec.h"
#include "documents/RecoveryCopy.h"
#include "tests/support/TestEnv.h"

namespace {
using Codec = TextEncoding::Codec;
} // namespace

class EncodingsTest : public QObject {
    Q_OBJECT
private slots:
    // Our single-byte tables against Qt's converters (ICU): every byte both define agrees.
    void tablesAgreeWithQtConverters_data() {
        QTest::addColumn<int>("codec");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("declaration");
        QTest::newRow("windows-1250") << int(Codec::Windows1250) << QByteArray("windows-1250")
                                      << QByteArray("<meta charset=windows-1250>");
        QTest::newRow("iso-8859-2") << int(Codec::Iso8859_2) << QByteArray("ISO-8859-2")
                                    << QByteArray("<meta charset=latin2>");
        QTest::newRow("windows-1252") << int(Codec::Windows1252) << QByteArray("windows-1252")
                                      << QByteArray("<meta charset=windows-1252>");
    }
    void tablesAgreeWithQtConverters() {
        QFETCH(int, codec);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, declaration);
        QStringDecoder qt(name.constData());
        if (!qt.isValid())
            QSKIP(qPrintable("Qt has no converter for " + name + " (built without ICU)"));
        QByteArray bytes = declaration;
        for (int b = 0x80; b < 0x100; ++b)
            bytes.append(char(b));
        const DecodedText ours = decodeTextFile(bytes);
        QCOMPARE(int(ours.encoding.codec), codec);
        QCOMPARE(ours.source, EncodingSource::Declaration);
        int agreed = 0;
        for (int b = 0x80; b < 0x100; ++b) {
            const QString theirs = qt.decode(QByteArray(1, char(b)));
            const QChar mine = ours.text[declaration.size() + b - 0x80];
            if (theirs.size() == 1 && theirs[0] != QChar(0xFFFD)) {
                QVERIFY2(theirs[0] == mine, qPrintable(QStringLiteral("byte %1").arg(b, 2, 16)));
                ++agreed;
            }
        }
        QVERIFY(agreed >= 123); // at most the five unassigned bytes differ
        QCOMPARE(encodeTextFile(ours.text, ours.encoding).value_or("(none)"), bytes);
    }

    void decidingTheEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codec");
        QTest::addColumn<bool>("bom");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const QByteArray& bytes, Codec codec, bool bom,
                            EncodingSource source, const QString& text) {
            QTest::newRow(name) << bytes << int(codec) << bom << int(source) << text;
        };
        // By byte-order mark; it outweighs the declaration.
        row("bom", "\xEF\xBB\xBF<p>\xC3\xA1</p>", Codec::Utf8, true, EncodingSource::ByteOrderMark,
            QStringLiteral("<p>á</p>"));
        row("bom over declaration", "\xEF\xBB\xBF<meta charset=latin2>\xC5\x91", Codec::Utf8, true,
            EncodingSource::ByteOrderMark, QStringLiteral("<meta charset=latin2>ő"));
        // By declaration.
        row("declared utf-8, ascii", "<meta charset=\"utf-8\"><p>x</p>", Codec::Utf8, false,
            EncodingSource::Declaration, QStringLiteral("<meta charset=\"utf-8\"><p>x</p>"));
        row("declared iso-8859-2", "<meta charset='iso-8859-2'>\xF5\xA9\xBB", Codec::Iso8859_2,
            false, EncodingSource::Declaration, QStringLiteral("<meta charset='iso-8859-2'>őŠť"));
        row("declared 1250", "<META CHARSET=Windows-1250>\xF5\x8A\x9D", Codec::Windows1250, false,
            EncodingSource::Declaration, QStringLiteral("<META CHARSET=Windows-1250>őŠť"));
        row("declared latin1", "<meta charset=latin1>\xE9\x80", Codec::Windows1252, false,
            EncodingSource::Declaration, QStringLiteral("<meta charset=latin1>é€"));
        row("http-equiv",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">\xF5",
            Codec::Iso8859_2, false, EncodingSource::Declaration,
            QStringLiteral(
                "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\">ő"));
        // Declarations that do not count fall through to the rules below.
        row("unknown label", "<meta charset=klingon>\xC5\x91", Codec::Utf8, false,
            EncodingSource::Utf8Validity, QStringLiteral("<meta charset=klingon>ő"));
        row("content without http-equiv", "<meta content=\"text/html; charset=latin2\">\xF5",
            Codec::Windows1250, false, EncodingSource::Fallback,
            QStringLiteral("<meta content=\"text/html; charset=latin2\">ő"));
        row("in a comment", "<!-- <meta charset=latin2> -->\xF5", Codec::Windows1250, false,
            EncodingSource::Fallback, QStringLiteral("<!-- <meta charset=latin2> -->ő"));
        row("inside another tag", "<a title='<meta charset=latin2>'>\xF5", Codec::Windows1250,
            false, EncodingSource::Fallback, QStringLiteral("<a title='<meta charset=latin2>'>ő"));
        row("declared utf-8, bytes are not", "<meta charset=utf-8>\xF5", Codec::Windows1250, false,
            EncodingSource::Fallback, QStringLiteral("<meta charset=utf-8>ő"));
        row("past 1024 bytes", QByteArray(1020, ' ') + "<meta charset=latin2>\xF5",
            Codec::Windows1250, false, EncodingSource::Fallback,
            QString(1020, u' ') + QStringLiteral("<meta charset=latin2>ő"));
        // By UTF-8 validity, else Windows-1250.
        row("utf-8 multi-byte", "<p>\xC5\x91</p>", Codec::Utf8, false, EncodingSource::Utf8Validity,
            QStringLiteral("<p>ő</p>"));
        row("fallback", "<p>\xF5\xFB</p>", Codec::Windows1250, false, EncodingSource::Fallback,
            QStringLiteral("<p>őű</p>"));
        row("ascii", "<p>x</p>", Codec::Windows1250, false, EncodingSource::Fallback,
            QStringLiteral("<p>x</p>"));
    }
    void decidingTheEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codec);
        QFETCH(bool, bom);
        QFETCH(int, source);
        QFETCH(QString, text);
        const DecodedText decoded = decodeTextFile(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(int(decoded.encoding.codec), codec);
        QCOMPARE(decoded.encoding.byteOrderMark, bom);
        QCOMPARE(int(decoded.source), source);
        // Written back unchanged, in the encoding the page is saved in.
        const TextEncoding saving =
            encodingForSaving(decoded.text, decoded.encoding, decoded.declared);
        QCOMPARE(encodeTextFile(decoded.text, saving).value_or("(none)"), bytes);
    }

    void snippetsIgnoreDeclarations() {
        const DecodedText snippet = decodeSnippetFile("<meta charset=latin2>\xA9");
        QCOMPARE(snippet.encoding.codec, Codec::Windows1250);
        QCOMPARE(snippet.text, QStringLiteral("<meta charset=latin2>©"));
    }

    void labelsAreMatchedLikeBrowsers() {
        for (const char* label : {"latin2", "iso8859-2", "iso_8859-2", "l2", " ISO-8859-2\t",
                                  "csisolatin2", "iso-ir-101"})
            QCOMPARE(codecForLabel(label), std::optional(Codec::Iso8859_2));
        for (const char* label : {"iso-8859-1", "latin1", "ascii", "US-ASCII", "cp1252"})
            QCOMPARE(codecForLabel(label), std::optional(Codec::Windows1252));
        for (const char* label : {"utf8", "UTF-8", "utf-16"})
            QCOMPARE(codecForLabel(label), std::optional(Codec::Utf8));
        QCOMPARE(codecForLabel("x-cp1250"), std::optional(Codec::Windows1250));
        for (const char* label : {"", "latin-2", "iso-8859-2x", "utf 8"})
            QCOMPARE(codecForLabel(label), std::nullopt);
    }

    void declarationsAreFoundWhereTheNameStands() {
        const QString page = QStringLiteral(
            "<!DOCTYPE html>\n<html><head><meta charset=\"xx\"><meta name=x>"
            "<meta http-equiv='content-type' content='text/html;charset = \"Latin2\" '>");
        const auto found = findCharsetDeclaration(QStringView(page));
        QVERIFY(found);
        QCOMPARE(found->codec, Codec::Iso8859_2);
        QCOMPARE(page.mid(found->start, found->length), QStringLiteral("Latin2"));
        // Non-ASCII text before it keeps character positions.
        const QString accented = QStringLiteral("<title>Új ő</title><meta charset=utf-8>");
        const auto inText = findCharsetDeclaration(QStringView(accented));
        QVERIFY(inText);
        QCOMPARE(accented.mid(inText->start, inText->length), QStringLiteral("utf-8"));
        // An unfinished tag at the end of the scanned bytes gives nothing.
        QVERIFY(!findCharsetDeclaration(QByteArrayView("<meta charset=\"latin2")));
        QVERIFY(!findCharsetDeclaration(QByteArrayView("<metacharset=latin2>")));
    }

    // The recovery journal keeps every encoding by name and gets the same one back.
    void recoveryCopiesNameEveryEncoding() {
        for (const auto codec :
             {Codec::Windows1250, Codec::Utf8, Codec::Iso8859_2, Codec::Windows1252}) {
            for (const bool bom : {false, true}) {
                const TextEncoding encoding{codec, bom};
                QCOMPARE(recoveryEncodingFromName(recoveryEncodingName(encoding), bom),
                         std::optional(encoding));
            }
        }
    }

    void savingFollowsTheDeclarationUnlessAByteOrderMarkSpeaks() {
        const TextEncoding plain{Codec::Windows1250, false};
        QCOMPARE(encodingForSaving(u"<meta charset=utf-8>", plain, {}).codec, Codec::Utf8);
        QCOMPARE(encodingForSaving(u"<p>x</p>", plain, {}), plain);
        const TextEncoding bom{Codec::Utf8, true};
        QCOMPARE(encodingForSaving(u"<meta charset=latin2>", bom, {}), bom);
        // A declaration the file already had, and could not follow, changes nothing.
        QCOMPARE(encodingForSaving(u"<meta charset=utf-8>", plain, Codec::Utf8), plain);
    }
};

WEBRIX_TEST_MAIN(EncodingsTest)
#include "tst_encodings.moc"
