// The installation's snippet files: every toolbar key and the logo command reach an existing,
// non-empty file that reads back without loss.

#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "controls/TextFileCodec.h"
#include "controls/ToolBar.h"
#include "markup/SnippetTables.h"
#include "tests/support/TestEnv.h"

class SnippetDataTest : public QObject {
    Q_OBJECT
private slots:
    void everyKeyReachesAGoodFile_data() {
        QTest::addColumn<QString>("relativePath");
        for (const auto& table : {htmlTagsSnippets(), scriptingSnippets()})
            for (const SnippetEntry& entry : table)
                QTest::newRow(entry.key) << QString::fromLatin1(entry.relativePath);
        QTest::newRow("logo") << QString::fromLatin1(LogoSnippet);
    }
    void everyKeyReachesAGoodFile() {
        QFETCH(QString, relativePath);
        TestEnv env;
        // The literal as the program uses it, so the folder and file names' case counts too.
        const QString path = modGeneral::programFile(relativePath);
        QVERIFY2(path.startsWith(env.programFolder()), qPrintable(path));
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
        const QByteArray bytes = TestEnv::readFile(path);
        QVERIFY(!bytes.isEmpty());

        // Line breaks are CR LF and nothing else.
        QByteArray withoutBreaks = bytes;
        withoutBreaks.replace("\r\n", "");
        QVERIFY2(!withoutBreaks.contains('\r') && !withoutBreaks.contains('\n'), "lone CR or LF");
        QVERIFY2(!bytes.contains('\0'), "NUL byte");

        // Windows-1250 text that comes back byte for byte.
        const DecodedText decoded = decodeSnippetFile(bytes);
        QCOMPARE(decoded.encoding.codec, TextEncoding::Codec::Windows1250);
        QVERIFY(!decoded.encoding.byteOrderMark);
        QCOMPARE(encodeTextFile(decoded.text, decoded.encoding), bytes);
        // No control characters, and no byte the code page leaves undefined.
        for (QChar ch : decoded.text) {
            const char16_t u = ch.unicode();
            const bool control = (u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7F && u <= 0x9F);
            QVERIFY2(!control && u != QChar::ReplacementCharacter,
                     qPrintable(QStringLiteral("U+%1").arg(u, 4, 16, QLatin1Char('0'))));
        }
    }

    // The tables and the toolbars' menus name the same keys; only the VBScript entry has no file.
    void tablesCoverEveryToolbarEntry() {
        TestEnv env;
        frmMain* main = env.createMainWindow(false);
        auto keys = [](ToolBar* bar) {
            QStringList list;
            for (QAction* button : bar->Buttons())
                if (QMenu* menu = button->menu())
                    for (QAction* action : menu->actions())
                        list << action->objectName();
            list.sort();
            return list;
        };
        auto tableKeys = [](std::span<const SnippetEntry> table) {
            QStringList list;
            for (const SnippetEntry& entry : table)
                list << QString::fromLatin1(entry.key);
            list.sort();
            return list;
        };
        QCOMPARE(keys(main->tbHTMLTags), tableKeys(htmlTagsSnippets()));
        QStringList scripting = tableKeys(scriptingSnippets());
        scripting << QString::fromLatin1(VBScriptBetaKey);
        scripting.sort();
        QCOMPARE(keys(main->tbScripting), scripting);
    }
};

WEBRIX_TEST_MAIN(SnippetDataTest)
#include "tst_snippet_data.moc"
