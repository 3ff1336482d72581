// The JavaScript scriptlets run in the web engine without a single script error: each alone in
// a page, and all of them together in one page, loaded and then used (buttons pressed, lists
// changed, the pointer moved over buttons).

#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "app/modGeneral.h"
#include "browser/WebEngineStart.h"
#include "markup/SnippetTables.h"
#include "tests/support/TestEnv.h"

namespace {

// Records what a page says and asks instead of showing it, and keeps it on the local page.
class RecordingPage : public QWebEnginePage {
    Q_OBJECT
public:
    using QWebEnginePage::QWebEnginePage;

    QStringList errors;
    QStringList alerts;
    QList<QUrl> refusedNavigations;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message);
    }
    void javaScriptAlert(const QUrl&, const QString& message) override { alerts << message; }
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (url.isLocalFile() || !isMainFrame)
            return true;
        refusedNavigations << url; // the springboard's and the letter button's targets
        return false;
    }
};

// Catches a mailto address handed on to the desktop, so no mail program starts.
class MailtoCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

QVariant evaluate(QWebEnginePage& page, const QString& script) {
    QVariant result;
    bool done = false;
    page.runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    // A script that never answers shows up as this text in the comparisons.
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<no answer>");
    return result;
}

// Uses every control the way a visitor would; returns how many controls there were.
const char* const kUseControls = R"(
(function () {
  var used = 0;
  document.querySelectorAll('button').forEach(function (b) {
    var r = b.getBoundingClientRect();
    b.dispatchEvent(new MouseEvent('mouseenter', {clientX: r.left + 2, clientY: r.top + 2}));
    b.click();
    used++;
  });
  document.querySelectorAll('select').forEach(function (s) {
    s.selectedIndex = s.options.length - 1;
    s.dispatchEvent(new Event('change', {bubbles: true}));
    used++;
  });
  return used;
})();
)";

QByteArray pageWith(const QList<QByteArray>& snippets) {
    QByteArray page = "<!DOCTYPE html>\r\n<html lang=\"hu\">\r\n<head>\r\n"
                      "<meta charset=\"windows-1250\">\r\n<title>Próba</title>\r\n</head>\r\n"
                      "<body>\r\n<p>Eleje</p>\r\n";
    for (const QByteArray& snippet : snippets)
        page += snippet + "\r\n<p>Szöveg</p>\r\n";
    return page + "</body>\r\n</html>\r\n";
}

// A shown view with a recording page: loads a page, lets it animate, then uses its controls.
struct PageRun {
    QWebEngineView view;
    RecordingPage* page = new RecordingPage(&view);
    MailtoCatcher mail;

    PageRun() {
        view.setPage(page);
        // A mailto link must not count as an error; where it goes is checked instead.
        page->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
        view.resize(800, 600);
        view.show();
    }
    ~PageRun() { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }

    bool loadAndUse(const QString& pagePath) {
        bool loaded = false;
        bool ok = false;
        const QMetaObject::Connection watch =
            QObject::connect(page, &QWebEnginePage::loadFinished, page, [&](bool success) {
                loaded = true;
                ok = success;
            });
        page->load(QUrl::fromLocalFile(pagePath));
        const bool finished = QTest::qWaitFor([&] { return loaded; }, 30000);
        QObject::disconnect(watch);
        if (!finished || !ok)
            return false;
        QTest::qWait(500); // a few animation frames
        evaluate(*page, QString::fromLatin1(kUseControls));
        QTest::qWait(500);
        return true;
    }
};

} // namespace

class ScriptletsWebTest : public QObject {
    Q_OBJECT
private slots:
    // The pages below are made directly, not through the program's browser: the engine's
    // graphics must be ready first, as the program makes them ready.
    void initTestCase() { WebEngineStart::profile(); }

    // The harness itself: errors at load and in an event handler are both seen.
    void scriptErrorsAreSeen() {
        TestEnv env;
        const QString pagePath = env.path(QStringLiteral("hibas.html"));
        QVERIFY(TestEnv::writeFile(
            pagePath, pageWith({"<script>var broken = ;</script>",
                                "<button type=\"button\" onclick=\"missing()\">x</button>"})));
        PageRun run;
        QVERIFY(run.loadAndUse(pagePath));
        QCOMPARE(run.page->errors.size(), 2);
        QVERIFY2(run.page->errors[1].contains(QLatin1String("missing")),
                 qPrintable(run.page->errors[1]));
    }

    void scriptletRunsWithoutErrors_data() {
        QTest::addColumn<QStringList>("files");
        QStringList all;
        for (const SnippetEntry& entry : scriptingSnippets()) {
            const QString path = QString::fromLatin1(entry.relativePath);
            if (!path.endsWith(QLatin1String(".tjs")))
                continue;
            QTest::newRow(entry.key) << QStringList{path};
            all << path;
        }
        QTest::newRow("all together") << all;
    }
    void scriptletRunsWithoutErrors() {
        QFETCH(QStringList, files);
        TestEnv env;
        QList<QByteArray> snippets;
        for (const QString& file : files) {
            const QByteArray bytes = TestEnv::readFile(modGeneral::programFile(file));
            QVERIFY2(!bytes.isEmpty(), qPrintable(file));
            snippets << bytes;
        }
        const QString pagePath = env.path(QStringLiteral("oldal.html"));
        QVERIFY(TestEnv::writeFile(pagePath, pageWith(snippets)));

        PageRun run;
        QVERIFY(run.loadAndUse(pagePath));
        RecordingPage* page = run.page;
        const MailtoCatcher& mail = run.mail;

        QVERIFY2(page->errors.isEmpty(), qPrintable(page->errors.join(QLatin1Char('\n'))));
        // The page is still the one loaded: nothing navigated away unasked.
        QCOMPARE(page->url(), QUrl::fromLocalFile(pagePath));

        auto has = [&](const QString& name) {
            return files.contains(QStringLiteral("\\scriptlets\\JavaScript\\") + name);
        };
        if (has("alert.tjs"))
            QVERIFY(page->alerts.contains(QStringLiteral("Üdvözöllek a honlapomon!")));
        if (has("funny.tjs"))
            QVERIFY(page->alerts.contains(QStringLiteral("Megfogtál! Ügyes vagy!")));
        if (has("email.tjs")) {
            QList<QUrl> mailto = mail.urls;
            for (const QUrl& url : page->refusedNavigations)
                if (url.scheme() == QLatin1String("mailto"))
                    mailto << url;
            QCOMPARE(mailto.size(), 1);
            QCOMPARE(mailto[0].path(), QStringLiteral("webmester@example.com"));
        }
        if (has("jumper.tjs"))
            QVERIFY(page->refusedNavigations.contains(
                QUrl(QStringLiteral("https://www.example.com/"))));
        if (has("bgselect.tjs") && !has("fadebg.tjs"))
            QCOMPARE(
                evaluate(*page, QStringLiteral("document.body.style.backgroundColor")).toString(),
                QStringLiteral("rgb(238, 238, 238)"));
        if (has("animtext.tjs"))
            QVERIFY(
                evaluate(*page, QStringLiteral(
                                    "document.querySelectorAll('.wbx-animtext span span').length"))
                    .toInt() > 5);
        if (files.size() == 1 && has("fadebg.tjs"))
            QVERIFY(!evaluate(*page, QStringLiteral("document.body.style.backgroundColor"))
                         .toString()
                         .isEmpty());
    }
};

WEBRIX_TEST_MAIN(ScriptletsWebTest)
#include "tst_scriptlets_web.moc"
