// Saving in the page's own encoding: what is read comes back byte for byte, a declared encoding
// is honoured, and a character the encoding lacks is never written without asking.

#include <QDir>
#include <QFile>

#include "app/frmMain.h"
#include "controls/TextFileCodec.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
using Codec = TextEncoding::Codec;

frmDocument* openFile(TestEnv& env, frmMain* main, const QString& path) {
    env.queueFileAnswer(path);
    runCommand(main, "mnuFileOpenHTML");
    return main->activeDocument();
}

void typeAtEnd(RichTextBox* box, const QString& text) {
    box->setSelStart(box->textLength());
    box->setSelText(text);
}

const QString kQuestionStart = QStringLiteral("A dokumentum olyan karaktert tartalmaz");
} // namespace

class SaveEncodingTest : public QObject {
    Q_OBJECT
private slots:
    // Each way of deciding the encoding: open, add letters that encoding has, save.
    void roundTripsKeepEveryByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codec");
        QTest::addColumn<bool>("bom");
        QTest::addColumn<QByteArray>("added"); // the bytes of "őŰ" in that encoding
        QTest::newRow("utf-8 by bom") << QByteArray("\xEF\xBB\xBF<p>\xC3\xA1</p>\r\n")
                                      << int(Codec::Utf8) << true << QByteArray("\xC5\x91\xC5\xB0");
        QTest::newRow("utf-8 by declaration")
            << QByteArray("<meta charset=\"utf-8\">\r\n<p>plain</p>\r\n") << int(Codec::Utf8)
            << false << QByteArray("\xC5\x91\xC5\xB0");
        QTest::newRow("utf-8 by validity")
            << QByteArray("<p>\xC3\xA1rv\xC3\xADz</p>\r\n") << int(Codec::Utf8) << false
            << QByteArray("\xC5\x91\xC5\xB0");
        QTest::newRow("iso-8859-2 by declaration")
            << QByteArray("<meta http-equiv=Content-Type content='text/html; charset=latin2'>"
                          "\r\n<p>\xA9\xB9</p>\r\n")
            << int(Codec::Iso8859_2) << false << QByteArray("\xF5\xDB");
        QTest::newRow("windows-1250 by declaration")
            << QByteArray("<meta charset=windows-1250>\r\n<p>\x8A\x9A</p>\r\n")
            << int(Codec::Windows1250) << false << QByteArray("\xF5\xDB");
        QTest::newRow("windows-1250 by fallback")
            << QByteArray("<p>\xF5\x81\x80</p>\r\n") << int(Codec::Windows1250) << false
            << QByteArray("\xF5\xDB");
    }
    void roundTripsKeepEveryByte() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codec);
        QFETCH(bool, bom);
        QFETCH(QByteArray, added);
        TestEnv env;
        const QString path = env.path("page.html");
        QVERIFY(TestEnv::writeFile(path, bytes));
        frmMain* main = env.createMainWindow();
        frmDocument* document = openFile(env, main, path);
        QCOMPARE(int(document->fileEncoding().codec), codec);
        QCOMPARE(document->fileEncoding().byteOrderMark, bom);

        runCommand(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(path), bytes);

        typeAtEnd(document->rtfDocument, QStringLiteral("őŰ"));
        runCommand(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(path), bytes + added);
        QVERIFY(env.messages.isEmpty());

        // Save As and Export write the same bytes.
        env.queueFileAnswer(env.path("copy.html"));
        runCommand(main, "mnuFileSaveAs");
        env.queueFileAnswer(env.path("copy.tht"));
        runCommand(main, "mnuFileExportToTemplate");
        QCOMPARE(TestEnv::readFile(env.path("copy.html")), bytes + added);
        QCOMPARE(TestEnv::readFile(env.path("copy.tht")), bytes + added);
    }

    void declaredUtf8AsciiPageGetsUtf8Letters() {
        TestEnv env;
        const QString path = env.path("ascii.html");
        QVERIFY(TestEnv::writeFile(path, "<meta charset=utf-8><p>x</p>"));
        frmMain* main = env.createMainWindow();
        frmDocument* document = openFile(env, main, path);
        typeAtEnd(document->rtfDocument, QStringLiteral("Új"));
        runCommand(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(path), QByteArray("<meta charset=utf-8><p>x</p>\xC3\x9Aj"));
        // A declaration typed into a new document counts too.
        runCommand(main, "mnuFileNew");
        activeEditor(main)->setText(QStringLiteral("<meta charset=\"iso-8859-2\">ő"));
        env.queueFileAnswer(env.path("new.html"));
        runCommand(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(env.path("new.html")),
                 QByteArray("<meta charset=\"iso-8859-2\">\xF5"));
    }

    void characterOutsideTheEncodingAnsweredYesWritesUtf8() {
        TestEnv env;
        const QString path = env.path("page.html");
        const QByteArray old = "<html><head>\r\n<meta http-equiv=\"Content-Type\" "
                               "content=\"text/html; charset=windows-1250\">\r\n"
                               "</head><body>\xDAj oldal</body></html>";
        QVERIFY(TestEnv::writeFile(path, old));
        frmMain* main = env.createMainWindow();
        frmDocument* document = openFile(env, main, path);
        typeAtEnd(document->rtfDocument, QStringLiteral("\n<p>Ω \U0001F600</p>"));

        env.queueMessageAnswer(vbYes);
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].buttons(), int(vbYesNo));
        QCOMPARE(env.messages[0].prompt,
                 QStringLiteral("A dokumentum olyan karaktert tartalmaz, amely a(z) windows-1250 "
                                "kódolásban nem írható le („Ω” U+03A9, 4. sor). Mentsem UTF-8 "
                                "kódolással?"));
        const QByteArray expected = "<html><head>\r\n<meta http-equiv=\"Content-Type\" "
                                    "content=\"text/html; charset=utf-8\">\r\n"
                                    "</head><body>\xC3\x9Aj oldal</body></html>\r\n"
                                    "<p>\xCE\xA9 \xF0\x9F\x98\x80</p>";
        QCOMPARE(TestEnv::readFile(path), expected);
        QVERIFY(document->rtfDocument->Text().contains(QStringLiteral("charset=utf-8\"")));
        QCOMPARE(document->fileEncoding(), (TextEncoding{Codec::Utf8, false}));

        // From now on the page is UTF-8: the next save asks nothing and reads back the same.
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(TestEnv::readFile(path), expected);
        QCOMPARE(openFile(env, main, path)->fileEncoding().codec, Codec::Utf8);
    }

    void characterOutsideTheEncodingAnsweredNoWritesNothing() {
        TestEnv env;
        const QString path = env.path("page.html");
        const QByteArray old = "<meta charset=iso-8859-2><p>\xF5</p>";
        QVERIFY(TestEnv::writeFile(path, old));
        frmMain* main = env.createMainWindow();
        frmDocument* document = openFile(env, main, path);
        typeAtEnd(document->rtfDocument, QStringLiteral("€"));

        runCommand(main, "mnuFileSave"); // No is the unanswered default
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].prompt.contains(QStringLiteral("a(z) ISO-8859-2 kódolásban")));
        QCOMPARE(TestEnv::readFile(path), old);

        env.queueFileAnswer(env.path("other.html"));
        runCommand(main, "mnuFileSaveAs");
        QVERIFY(!QFile::exists(env.path("other.html")));
        QCOMPARE(document->Caption(), native(path));

        // File > Close, Yes to saving, No to UTF-8: a cancelled save keeps the window.
        env.queueMessageAnswer(vbYes);
        env.queueMessageAnswer(vbNo);
        runCommand(main, "mnuFileClose");
        QVERIFY(main->childForms().contains(document));
        QCOMPARE(TestEnv::readFile(path), old);
        QVERIFY(document->rtfDocument->Text().endsWith(QStringLiteral("€")));
    }

    void newDocumentIsWindows1250WhenItFitsElseAsks() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("árvíztűrő\nŐ"));
        env.queueFileAnswer(env.path("fits.html"));
        runCommand(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(env.path("fits.html")),
                 QByteArray("\xE1rv\xEDzt\xFBr\xF5\r\n\xD5"));
        QVERIFY(env.messages.isEmpty());

        runCommand(main, "mnuFileNew");
        activeEditor(main)->setText(QStringLiteral("日本"));
        env.queueFileAnswer(env.path("wide.html"));
        env.queueMessageAnswer(vbYes);
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].prompt.contains(QStringLiteral("(„日” U+65E5, 1. sor)")));
        QCOMPARE(TestEnv::readFile(env.path("wide.html")), QStringLiteral("日本").toUtf8());
        QCOMPARE(main->activeDocument()->Caption(), native(env.path("wide.html")));
    }
};

WEBRIX_TEST_MAIN(SaveEncodingTest)
#include "tst_save_encoding.moc"
