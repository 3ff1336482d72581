// Extras > Preview: the current text of a document in a browser window, with its folder's
// pictures and style sheets, following the typing at the same scroll position, one window per
// document, closed with the document; decoded as the saved file would be; and what the page
// server refuses to hand out.

#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QWebEnginePage>

#include "app/frmMain.h"
#include "browser/DocumentPreview.h"
#include "browser/PreviewPages.h"
#include "browser/WebBrowser.h"
#include "browser/frmBuiltInBrowser.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace DocumentTest;

namespace {
constexpr int kLoadTimeout = 20000;

QList<frmBuiltInBrowser*> browserWindows(frmMain* main) {
    QList<frmBuiltInBrowser*> windows;
    for (QMdiSubWindow* child : main->childForms())
        if (auto* browser = qobject_cast<frmBuiltInBrowser*>(child))
            windows << browser;
    return windows;
}

frmBuiltInBrowser* preview(frmMain* main) {
    const QList<frmBuiltInBrowser*> windows = browserWindows(main);
    return windows.size() == 1 ? windows.first() : nullptr;
}

// The value of a script run in the page, once it has answered.
QVariant evaluate(frmBuiltInBrowser* window, const QString& script) {
    QVariant result;
    bool answered = false;
    window->brwWebBrowser->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, kLoadTimeout))
        return QVariant(QStringLiteral("(no answer)"));
    return result;
}

QString title(frmBuiltInBrowser* window) {
    return window ? window->brwWebBrowser->title() : QString();
}

bool writePicture(const QString& path, int width) {
    QImage picture(width, 5, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return picture.save(path, "PNG");
}
} // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheCurrentTextWithTheFolderFiles() {
        TestEnv env;
        const QString page = env.path("site/page.html");
        QVERIFY(TestEnv::writeFile(page, "<title>Mentett</title>"));
        QVERIFY(TestEnv::writeFile(env.path("site/style.css"),
                                   "body { background-color: rgb(1, 2, 3); }"));
        QVERIFY(writePicture(env.path("site/img/pic.png"), 7));
        QVERIFY(writePicture(env.path("outside.png"), 9));
        frmMain* main = env.createMainWindow(true, page);
        activeEditor(main)->setText(QStringLiteral(
            "<html><head><title>Most írt</title><link rel=\"stylesheet\" href=\"style.css\">"
            "</head><body><img id=\"in\" src=\"img/pic.png\"><img id=\"out\" "
            "src=\"../outside.png\"><img id=\"up\" src=\"%2e%2e/outside.png\"></body></html>"));

        runCommand(main, "mnuExtrasPreview");
        frmBuiltInBrowser* window = preview(main);
        QVERIFY(window);
        QCOMPARE(main->ActiveForm(), window);
        // The text in the editor, not the saved file; the window is titled by the page.
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Most írt"), kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(window, "getComputedStyle(document.body).backgroundColor").toString(),
            QStringLiteral("rgb(1, 2, 3)"), kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(window, "document.getElementById('in').naturalWidth").toInt(), 7,
            kLoadTimeout);
        // Nothing above the document's folder is served.
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(window, "document.getElementById('out').complete").toBool(), kLoadTimeout);
        QCOMPARE(evaluate(window, "document.getElementById('out').naturalWidth").toInt(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(window, "document.getElementById('up').complete").toBool(), kLoadTimeout);
        QCOMPARE(evaluate(window, "document.getElementById('up').naturalWidth").toInt(), 0);
        QVERIFY(env.messages.isEmpty());
    }

    void followsTheTypingKeepsTheScrollAndClosesWithTheDocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("<html><head><title>Egy</title></head><body>"
                                       "<div style=\"height:5000px\">hosszú</div></body></html>"));
        runCommand(main, "mnuExtrasPreview");
        frmBuiltInBrowser* window = preview(main);
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Egy"), kLoadTimeout);
        evaluate(window, "window.scrollTo(0, 1200); window.scrollY");
        QTRY_COMPARE_WITH_TIMEOUT(window->brwWebBrowser->page()->scrollPosition().y(), 1200.0,
                                  kLoadTimeout);

        // Typing in the document: the preview follows once the typing stops.
        main->MDIClient()->setActiveSubWindow(main->childForms().first());
        editor->selectDocumentRange(19, 22);
        editor->setFocus();
        QTest::keyClicks(editor, "Ketto");
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Ketto"), kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window, "window.scrollY").toInt(), 1200, kLoadTimeout);

        // F5 again: the same window, in front.
        runCommand(main, "mnuExtrasPreview");
        QCOMPARE(browserWindows(main).size(), 1);
        QCOMPARE(main->ActiveForm(), window);

        // A second document has a preview of its own.
        runCommand(main, "mnuFileNew");
        activeEditor(main)->setText(QStringLiteral("<title>Másik</title>"));
        runCommand(main, "mnuExtrasPreview");
        QCOMPARE(browserWindows(main).size(), 2);

        const QPointer<frmBuiltInBrowser> first(window);
        auto* document = qobject_cast<frmDocument*>(main->childForms().first());
        document->Unload();
        QTRY_VERIFY(!first);
        QCOMPARE(browserWindows(main).size(), 1);
    }

    void f5InThePreviewWindowBringsItBackToItsDocument() {
        TestEnv env;
        const QString page = env.path("site/page.html");
        QVERIFY(TestEnv::writeFile(page, "<title>Mentett</title>"));
        QVERIFY(TestEnv::writeFile(env.path("site/other.html"), "<title>Masik oldal</title>"));
        frmMain* main = env.createMainWindow(true, page);
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("<title>Első</title>"));
        runCommand(main, "mnuExtrasPreview");
        frmBuiltInBrowser* window = preview(main);
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Első"), kLoadTimeout);

        const auto goAway = [&] {
            // The user follows a link out of the preview; the document changes meanwhile and
            // the page the user went to is left alone.
            window->brwWebBrowser->page()->runJavaScript(
                QStringLiteral("location.href = 'other.html';"));
            QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Masik oldal"), kLoadTimeout);
        };
        goAway();
        editor->setText(QStringLiteral("<title>Második</title>"));
        QTest::qWait(DocumentPreview::kFollowDelayMs + 300);
        QCOMPARE(title(window), QStringLiteral("Masik oldal"));

        // F5 with the preview window in front: its document's text as it is now.
        main->MDIClient()->setActiveSubWindow(window);
        QCOMPARE(main->ActiveForm(), window);
        runCommand(main, "mnuExtrasPreview");
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Második"), kLoadTimeout);
        QCOMPARE(browserWindows(main).size(), 1);
        QCOMPARE(main->ActiveForm(), window);

        // The key itself, pressed in the page.
        goAway();
        editor->setText(QStringLiteral("<title>Harmadik</title>"));
        main->MDIClient()->setActiveSubWindow(window);
        window->brwWebBrowser->setFocus();
        QWidget* target = window->brwWebBrowser->focusProxy() ? window->brwWebBrowser->focusProxy()
                                                              : window->brwWebBrowser;
        QTest::keyClick(target, Qt::Key_F5);
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Harmadik"), kLoadTimeout);
        QVERIFY(env.messages.isEmpty());
    }

    void decodesThePageAsItsSavedFile() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        const QString text = QStringLiteral("árvíztűrő tükörfúrógép");
        struct Case {
            TextEncoding::Codec codec;
            const char* charset;
        };
        for (const Case& c : {Case{TextEncoding::Codec::Windows1250, "windows-1250"},
                              Case{TextEncoding::Codec::Utf8, "utf-8"}}) {
            runCommand(main, "mnuFileNew");
            RichTextBox* editor = activeEditor(main);
            TextEncoding encoding;
            encoding.codec = c.codec;
            editor->setEncoding(encoding);
            editor->setText(QStringLiteral("<html><head><meta charset=\"%1\"><title>%2</title>"
                                           "</head><body></body></html>")
                                .arg(QString::fromLatin1(c.charset), text));
            runCommand(main, "mnuExtrasPreview");
            auto* window = qobject_cast<frmBuiltInBrowser*>(main->ActiveForm());
            QVERIFY(window);
            QTRY_COMPARE_WITH_TIMEOUT(title(window), text, kLoadTimeout);
            QCOMPARE(evaluate(window, "document.characterSet").toString().toLower(),
                     QString::fromLatin1(c.charset));
        }

        // A character the declared encoding lacks: the preview still shows the text.
        runCommand(main, "mnuFileNew");
        activeEditor(main)->setText(
            QStringLiteral("<meta charset=\"windows-1250\"><title>Ω ő</title>"));
        activeEditor(main)->setEncoding(TextEncoding{TextEncoding::Codec::Windows1250, false});
        runCommand(main, "mnuExtrasPreview");
        auto* window = qobject_cast<frmBuiltInBrowser*>(main->ActiveForm());
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(title(window), QStringLiteral("Ω ő"), kLoadTimeout);
    }

    void theServerHandsOutOnlyFilesInsideTheFolder() {
        TestEnv env;
        const QString folder = env.path("site");
        QVERIFY(TestEnv::writeFile(env.path("site/a.css"), "x"));
        QVERIFY(TestEnv::writeFile(env.path("site/sub/b.js"), "x"));
        QVERIFY(TestEnv::writeFile(env.path("secret.txt"), "x"));
        const QString root = QFileInfo(folder).canonicalFilePath();
        QCOMPARE(PreviewPages::fileInside(folder, "/a.css"), root + "/a.css");
        QCOMPARE(PreviewPages::fileInside(folder, "/sub/../sub/b.js"), root + "/sub/b.js");
        for (const char* path : {"/../secret.txt", "/sub/../../secret.txt", "/", "/sub",
                                 "/missing.css", "..\\secret.txt"})
            QVERIFY2(PreviewPages::fileInside(folder, QString::fromLatin1(path)).isEmpty(), path);
        QVERIFY(PreviewPages::fileInside(QString(), "/a.css").isEmpty());
#ifdef Q_OS_UNIX
        // A link leading out of the folder, and a pipe inside it.
        QVERIFY(QFile::link(env.path("secret.txt"), env.path("site/link.txt")));
        QVERIFY(PreviewPages::fileInside(folder, "/link.txt").isEmpty());
        QCOMPARE(::mkfifo(QFile::encodeName(env.path("site/pipe.html")).constData(), 0600), 0);
        QVERIFY(PreviewPages::fileInside(folder, "/pipe.html").isEmpty());
#endif
    }
};

WEBRIX_TEST_MAIN(PreviewTest)
#include "tst_preview.moc"
