// The plain-text file format: which bytes read as which characters, and back.

#include <QRandomGenerator>

#include "controls/TextFileCodec.h"
#include "tests/support/TestEnv.h"

namespace {
using Codec = TextEncoding::Codec;

QByteArray roundTrip(const QByteArray& bytes, TextEncoding* encoding = nullptr) {
    const DecodedText decoded = decodeTextFile(bytes);
    if (encoding)
        *encoding = decoded.encoding;
    return encodeTextFile(decoded.text, decoded.encoding).value_or("(unencodable)");
}
} // namespace

class TextCodecTest : public QObject {
    Q_OBJECT
private slots:
    void everyByteValueComesBack() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all.append(char(b));
        all.append("\r\nend\r\n");
        TextEncoding encoding;
        QCOMPARE(roundTrip(all, &encoding), all);
        QCOMPARE(encoding.codec, Codec::Windows1250);
        // One character per byte; the line break is one character in memory.
        QCOMPARE(decodeTextFile(all).text.size(), all.size() - 2);
    }

    void windows1250CharactersAreTheCodePages() {
        const DecodedText decoded = decodeTextFile("\xF5\xFB\xD5\xDB\x80\x9A\x81");
        QCOMPARE(decoded.text, QStringLiteral("őűŐŰ€š\u0081"));
        QCOMPARE(unicodeToWindows1250(u'ő'), 0xF5);
        QCOMPARE(unicodeToWindows1250(u'ä'), 0xE4);
        QCOMPARE(unicodeToWindows1250(u'ō'), -1);
        QCOMPARE(unicodeToWindows1250(0), 0);
    }

    void lineBreaksOfEveryKindReadAsOne() {
        QCOMPARE(decodeTextFile("a\r\nb\nc\rd\r\r\ne").text, QStringLiteral("a\nb\nc\nd\n\ne"));
        QCOMPARE(encodeTextFile(u"a\nb\u2029c", {}), QByteArray("a\r\nb\r\nc"));
        QCOMPARE(decodeTextFile("\r").text, QStringLiteral("\n"));
        QCOMPARE(decodeTextFile("").text, QString());
    }

    void utf8IsRecognisedAndKept_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<bool>("bom");
        QTest::newRow("multi-byte")
            << QByteArray("<p>árvíztűrő tükörfúrógép</p>\r\n") << true << false;
        QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF<p>plain</p>") << true << true;
        QTest::newRow("bom only") << QByteArray("\xEF\xBB\xBF") << true << true;
        QTest::newRow("ascii only") << QByteArray("<p>plain</p>") << false << false;
        QTest::newRow("four-byte") << QByteArray("emoji \xF0\x9F\x98\x80 ok") << true << false;
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false << false;
        QTest::newRow("truncated") << QByteArray("ok \xC3") << false << false;
        QTest::newRow("bom then invalid") << QByteArray("\xEF\xBB\xBF\xFF") << false << false;
        // A second mark is a character of the text (a zero-width no-break space), kept.
        QTest::newRow("two marks") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\n") << true << true;
        QTest::newRow("every length")
            << QByteArray(
                   "a\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"
                   "\xEE\x80\x80\r\n")
            << true << false;
    }
    void utf8IsRecognisedAndKept() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        QFETCH(bool, bom);
        TextEncoding encoding;
        QCOMPARE(roundTrip(bytes, &encoding), bytes);
        QCOMPARE(encoding.codec == Codec::Utf8, utf8);
        QCOMPARE(encoding.byteOrderMark, bom);
    }

    void textTheCodePageLacksIsNeverWritten() {
        QVERIFY(!encodeTextFile(u"Ωmega ő", {Codec::Windows1250, false}));
        QCOMPARE(firstUnencodable(u"ab\nő Ω", Codec::Windows1250), 5);
        QCOMPARE(firstUnencodable(u"ab\nő Ω", Codec::Windows1252), 3);
        QCOMPARE(firstUnencodable(u"ő Ω", Codec::Utf8), std::nullopt);
        QCOMPARE(encodeTextFile(u"ő", {Codec::Windows1250, false}), QByteArray("\xF5"));
        QCOMPARE(encodeTextFile(u"Ωő", {Codec::Utf8, true}),
                 QByteArray("\xEF\xBB\xBF\xCE\xA9\xC5\x91"));
    }

    void randomBytesWithCrLfComeBack() {
        auto* random = QRandomGenerator::global();
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes;
            const int length = int(random->bounded(2000));
            for (int i = 0; i < length; ++i) {
                const int pick = int(random->bounded(20));
                if (pick == 0)
                    bytes.append("\r\n");
                else if (pick < 4)
                    bytes.append(QStringLiteral("éő€").toUtf8());
                else if (pick < 10)
                    bytes.append(char(random->bounded(256)));
                else
                    bytes.append(char('a' + random->bounded(26)));
            }
            // Lone CR or LF bytes become CR LF on saving; everything else stays.
            QByteArray expected;
            for (qsizetype i = 0; i < bytes.size(); ++i) {
                if (bytes[i] == '\r' || bytes[i] == '\n') {
                    expected.append("\r\n");
                    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                        ++i;
                } else {
                    expected.append(bytes[i]);
                }
            }
            QCOMPARE(roundTrip(bytes), expected);
        }
    }

    void largeFilesReadAsSmallOnes() {
        // Files of several megabytes are decoded into memory brought in ahead; every byte still
        // decodes as it does in a small file: UTF-8 with and without its mark, and the code page.
        const QByteArray utf8Piece = QStringLiteral("<p>árvíztűrő €\r\n\rsor\n").toUtf8();
        QByteArray codePagePiece = "<p>\xe1rv\xedzt\xfbr\xf5 \x80\r\n\rsor\n";
        for (const auto& [piece, mark] :
             {std::pair{utf8Piece, QByteArray("\xEF\xBB\xBF")}, std::pair{utf8Piece, QByteArray()},
              std::pair{codePagePiece, QByteArray()}}) {
            const DecodedText small = decodeTextFile(mark + piece);
            const qsizetype copies = (5 << 20) / piece.size() + 1;
            const DecodedText large = decodeTextFile(mark + piece.repeated(copies));
            QCOMPARE(large.encoding.codec, small.encoding.codec);
            QCOMPARE(large.encoding.byteOrderMark, small.encoding.byteOrderMark);
            QCOMPARE(large.text.size(), small.text.size() * copies);
            QCOMPARE(large.text, small.text.repeated(copies));
        }
    }
};

WEBRIX_TEST_MAIN(TextCodecTest)
#include "tst_textcodec.moc"
