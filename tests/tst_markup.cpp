// The HTML tags and scripting toolbars and the logo command, driven through the real toolbar
// entries into real document windows.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "controls/RichTextBox.h"
#include "controls/ToolBar.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

namespace {

// A drop-down entry of a toolbar, found by its key.
QAction* entry(ToolBar* bar, const QString& key) {
    for (QAction* button : bar->Buttons())
        if (QMenu* menu = button->menu())
            for (QAction* action : menu->actions())
                if (action->objectName() == key)
                    return action;
    return nullptr;
}

void choose(ToolBar* bar, const QString& key) {
    QAction* action = entry(bar, key);
    QVERIFY2(action, qPrintable(key));
    action->trigger();
}

// Replaces an installation file of the temporary program folder.
void writeData(TestEnv& env, const QString& relative, const QByteArray& bytes) {
    QVERIFY(TestEnv::writeFile(env.programFolder() + QLatin1Char('/') + relative, bytes));
}

frmDocument* firstDocument(frmMain* main) {
    return qobject_cast<frmDocument*>(main->childForms().value(0));
}

} // namespace

class MarkupTest : public QObject {
    Q_OBJECT
private slots:
    void snippetReplacesSelectionKeepingLineBreaks() {
        TestEnv env;
        // Windows-1250 "árvíztűrő", CR LF breaks, a final break included.
        writeData(env, "tags/table.tag",
                  "<table>\r\n<tr><td>\xE1rv\xEDzt\xFBr\xF5</td></tr>\r\n</table>\r\n");
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        QVERIFY(document);
        RichTextBox* box = document->rtfDocument;
        box->setText(QStringLiteral("Eleje\r\nKIJELÖLT vége"));
        document->setUnchanged(true);
        box->setSelStart(7);
        box->setSelLength(8);
        QCOMPARE(box->SelText(), QStringLiteral("KIJELÖLT"));

        choose(main->tbHTMLTags, "table");

        const QString snippet =
            QStringLiteral("<table>\r\n<tr><td>árvíztűrő</td></tr>\r\n</table>\r\n");
        QCOMPARE(box->Text(), QStringLiteral("Eleje\r\n") + snippet + QStringLiteral(" vége"));
        QCOMPARE(box->SelLength(), 0);
        QCOMPARE(box->SelStart(), 7 + int(snippet.size()));
        QVERIFY(!document->unchanged());
        QVERIFY(env.messages.isEmpty());
    }

    void snippetGoesInAtTheCaret() {
        TestEnv env;
        writeData(env, "scriptlets/JavaScript/fadebg.tjs", "<script>fade();</script>");
        frmMain* main = env.createMainWindow();
        RichTextBox* box = main->activeDocument()->rtfDocument;
        box->setText(QStringLiteral("abcdef"));
        box->setSelStart(3);

        choose(main->tbScripting, "fade");

        QCOMPARE(box->Text(), QStringLiteral("abc<script>fade();</script>def"));
        QCOMPARE(box->SelStart(), 3 + 24);
        QCOMPARE(box->SelLength(), 0);
    }

    // Keys that do not follow their file names, and the entries that share a folder.
    void eachEntryReadsItsOwnFile_data() {
        QTest::addColumn<bool>("scripting");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("file");
        QTest::newRow("table") << false << "table"
                               << "tags/table.tag";
        QTest::newRow("a") << false << "a"
                           << "tags/a.tag";
        QTest::newRow("frame") << false << "frame"
                               << "tags/frame.tag";
        QTest::newRow("JavaScript") << true << "JavaScript"
                                    << "tags/js.tag";
        QTest::newRow("VBScript") << true << "VBScript"
                                  << "tags/vbs.tag";
        QTest::newRow("php3") << true << "php3"
                              << "tags/php.tag";
        QTest::newRow("animbar") << true << "animbar"
                                 << "scriptlets/JavaScript/animstatus.tjs";
        QTest::newRow("fade") << true << "fade"
                              << "scriptlets/JavaScript/fadebg.tjs";
        QTest::newRow("jumper") << true << "jumper"
                                << "scriptlets/JavaScript/jumper.tjs";
        QTest::newRow("echo") << true << "echo"
                              << "scriptlets/Php3/echo.php3";
    }
    void eachEntryReadsItsOwnFile() {
        QFETCH(bool, scripting);
        QFETCH(QString, key);
        QFETCH(QString, file);
        TestEnv env;
        // Every candidate file gets its own marker, so a wrong file shows.
        const QStringList all = {"tags/table.tag",
                                 "tags/a.tag",
                                 "tags/frame.tag",
                                 "tags/frameset.tag",
                                 "tags/js.tag",
                                 "tags/vbs.tag",
                                 "tags/php.tag",
                                 "scriptlets/JavaScript/animstatus.tjs",
                                 "scriptlets/JavaScript/animtext.tjs",
                                 "scriptlets/JavaScript/fadebg.tjs",
                                 "scriptlets/JavaScript/jumper.tjs",
                                 "scriptlets/Php3/echo.php3"};
        for (const QString& name : all)
            writeData(env, name, ("[" + name + "]").toLatin1());
        frmMain* main = env.createMainWindow();
        choose(scripting ? main->tbScripting : main->tbHTMLTags, key);
        QCOMPARE(main->activeDocument()->rtfDocument->Text(), "[" + file + "]");
    }

    void eachInsertionGoesToTheActiveWindow() {
        TestEnv env;
        writeData(env, "tags/h1.tag", "<h1></h1>");
        writeData(env, "tags/p.tag", "<p></p>");
        frmMain* main = env.createMainWindow();
        frmDocument* first = main->activeDocument();
        frmDocument* second = main->NewDocumentWindow();
        QCOMPARE(main->activeDocument(), second);

        choose(main->tbHTMLTags, "h1");
        main->MDIClient()->setActiveSubWindow(first);
        QCOMPARE(main->activeDocument(), first);
        choose(main->tbHTMLTags, "p");

        QCOMPARE(second->rtfDocument->Text(), QStringLiteral("<h1></h1>"));
        QCOMPARE(first->rtfDocument->Text(), QStringLiteral("<p></p>"));
        QVERIFY(!first->unchanged());
        QVERIFY(!second->unchanged());
    }

    void editedFileCountsAtItsNextUse() {
        TestEnv env;
        writeData(env, "tags/td.tag", "<td>1</td>");
        frmMain* main = env.createMainWindow();
        RichTextBox* box = main->activeDocument()->rtfDocument;
        choose(main->tbHTMLTags, "td");
        writeData(env, "tags/td.tag", "<td>2</td>\r\n");
        choose(main->tbHTMLTags, "td");
        QCOMPARE(box->Text(), QStringLiteral("<td>1</td><td>2</td>\r\n"));

        // Nothing holds the file open between uses: it can be removed and brought back.
        QVERIFY(QFile::remove(env.programFolder() + "/tags/td.tag"));
        writeData(env, "tags/td.tag", "<td>3</td>");
        choose(main->tbHTMLTags, "td");
        QCOMPARE(box->Text(), QStringLiteral("<td>1</td><td>2</td>\r\n<td>3</td>"));
    }

    void unknownKeysDoNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        document->rtfDocument->setText(QStringLiteral("marad"));
        document->setUnchanged(true);
        for (const char* key : {"TABLE", "Table", "js", "vbs", "", "echo", "JavaScript", "h7"})
            emit main->tbHTMLTags->ButtonMenuClick(QString::fromLatin1(key));
        for (const char* key :
             {"javascript", "PHP3", "php", "fadebg", "animstatus", "Echo", "vbs_BETA", "table", ""})
            emit main->tbScripting->ButtonMenuClick(QString::fromLatin1(key));
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("marad"));
        QVERIFY(document->unchanged());
        QVERIFY(env.messages.isEmpty());
    }

    void emptySnippetLeavesTheDocumentAlone() {
        TestEnv env;
        writeData(env, "tags/p.tag", "");
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        document->rtfDocument->setText(QStringLiteral("kijelölt"));
        document->setUnchanged(true);
        document->rtfDocument->setSelStart(0);
        document->rtfDocument->setSelLength(4);
        choose(main->tbHTMLTags, "p");
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("kijelölt"));
        QVERIFY(document->unchanged());
        QVERIFY(env.messages.isEmpty());
    }

    void unreadableFileIsNamedAndNothingChanges_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("missing tag") << "tags/table.tag" << false;
        QTest::newRow("missing scriptlet") << "scriptlets/JavaScript/animstatus.tjs" << false;
        QTest::newRow("folder") << "tags/table.tag" << true;
    }
    void unreadableFileIsNamedAndNothingChanges() {
        QFETCH(QString, file);
        QFETCH(bool, asFolder);
        TestEnv env;
        const QString path = env.programFolder() + QLatin1Char('/') + file;
        QVERIFY(QFile::remove(path));
        if (asFolder)
            QVERIFY(QDir().mkpath(path));
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        document->rtfDocument->setText(QStringLiteral("Ez itt marad."));
        document->setUnchanged(true);
        document->rtfDocument->setSelStart(3);
        document->rtfDocument->setSelLength(4);

        choose(file.startsWith("tags") ? main->tbHTMLTags : main->tbScripting,
               file.startsWith("tags") ? "table" : "animbar");

        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY2(env.messages[0].prompt.contains(QDir::toNativeSeparators(path)),
                 qPrintable(env.messages[0].prompt));
        QCOMPARE(env.messages[0].buttons(), int(vbOKOnly));
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("Ez itt marad."));
        QCOMPARE(document->rtfDocument->SelText(), QStringLiteral("itt "));
        QVERIFY(document->unchanged());
    }

    void withoutDocumentNothingHappens() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        firstDocument(main)->Unload();
        QTRY_VERIFY(main->childForms().isEmpty());
        QVERIFY(QFile::remove(env.programFolder() + "/tags/html.tag")); // not even looked for

        choose(main->tbHTMLTags, "html");
        choose(main->tbHTMLTags, "table");
        choose(main->tbScripting, "echo");
        main->menuItem("mnuExtrasLogo")->trigger();

        QVERIFY(main->childForms().isEmpty());
        QVERIFY(env.messages.isEmpty());
    }

    void nonDocumentChildTakesNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        document->rtfDocument->setText(QStringLiteral("dokumentum"));
        document->setUnchanged(true);
        // Stands in for the browser window, the other kind of child window.
        QMdiSubWindow* other = main->MDIClient()->addSubWindow(new QLabel(QStringLiteral("web")));
        other->show();
        main->MDIClient()->setActiveSubWindow(other);
        QCOMPARE(main->ActiveForm(), other);

        choose(main->tbHTMLTags, "body");
        choose(main->tbScripting, "alert");
        main->menuItem("mnuExtrasLogo")->trigger();

        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("dokumentum"));
        QVERIFY(document->unchanged());
        QVERIFY(env.messages.isEmpty());
        delete other;
    }

    void vbscriptEntryOnlyShowsItsMessage() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        document->rtfDocument->setText(QStringLiteral("x"));
        document->setUnchanged(true);

        choose(main->tbScripting, "vbs_beta");
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("x"));
        QVERIFY(document->unchanged());

        document->Unload();
        QTRY_VERIFY(main->childForms().isEmpty());
        choose(main->tbScripting, "vbs_beta");

        QCOMPARE(env.messages.size(), 2);
        for (const MsgBoxCall& call : env.messages) {
            QCOMPARE(call.prompt, QStringLiteral("There are no VBScripts yet!"));
            QCOMPARE(call.title, QStringLiteral("Tarvelon's Webrix"));
            QCOMPARE(call.icon(), int(vbInformation));
            QCOMPARE(call.buttons(), int(vbOKOnly));
        }
    }

    void buttonFacesInsertNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->menuItem("mnuViewToolbarsHTMLTags")->trigger();
        main->menuItem("mnuViewToolbarsScripting")->trigger();
        QTRY_VERIFY(main->tbHTMLTags->isVisible() && main->tbScripting->isVisible());
        frmDocument* document = main->activeDocument();
        document->setUnchanged(true);

        // Should a menu open after all, close it so the test reports instead of hanging.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        closer.start(200);

        for (ToolBar* bar : {main->tbHTMLTags, main->tbScripting}) {
            for (QAction* button : bar->Buttons()) {
                button->trigger();
                auto* face = qobject_cast<QToolButton*>(bar->widgetForAction(button));
                QVERIFY(face);
                QTest::mouseClick(face, Qt::LeftButton, {}, QPoint(4, face->height() / 2));
            }
        }
        QCOMPARE(document->rtfDocument->Text(), QString());
        QVERIFY(document->unchanged());
        QVERIFY(env.messages.isEmpty());
    }

    void logoReplacesSelectionWithCtrlL() {
        TestEnv env;
        writeData(env, "extras/wbxlogo.tvx", "<a href=\"x\">Webrix</a>\r\n");
        frmMain* main = env.createMainWindow();
        QCOMPARE(main->menuItem("mnuExtrasLogo")->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+L")));
        frmDocument* document = main->activeDocument();
        RichTextBox* box = document->rtfDocument;
        box->setText(QStringLiteral("<p>LOGÓ</p>"));
        document->setUnchanged(true);
        box->setSelStart(3);
        box->setSelLength(4);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());

        QTest::keyClick(box, Qt::Key_L, Qt::ControlModifier);

        QCOMPARE(box->Text(), QStringLiteral("<p><a href=\"x\">Webrix</a>\r\n</p>"));
        QCOMPARE(box->SelStart(), 3 + 24); // the CR LF counts two
        QVERIFY(!document->unchanged());
        QVERIFY(box->hasFocus());
    }
};

WEBRIX_TEST_MAIN(MarkupTest)
#include "tst_markup.moc"
