// The main window: load from the settings store, unload, menus, toolbars, status bar, View and
// Window menus.

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComplex>
#include <QTimer>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "controls/CommonDialog.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "controls/StatusBar.h"
#include "controls/ToolBar.h"
#include "controls/Twips.h"
#include "documents/frmDocument.h"
#include "resources/MainMenu.h"
#include "tests/support/TestEnv.h"

namespace {
QStringList toolTips(frmMain* main) {
    QStringList tips;
    for (ToolBar* bar : {main->tbStandard, main->tbHTMLTags, main->tbScripting})
        for (QAction* button : bar->Buttons())
            tips << ToolBar::ToolTipText(button);
    return tips;
}

QColor workspace(frmMain* main) {
    return main->MDIClient()->background().color();
}

frmDocument* document(frmMain* main, int index) {
    return qobject_cast<frmDocument*>(main->MDIClient()->subWindowList()[index]);
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartUsesDefaults() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QCOMPARE(main->windowTitle(), QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(workspace(main), QColor(0x80, 0x80, 0x80));
        QCOMPARE(main->pos(), QPoint(twipsToPixelsX(1000), twipsToPixelsY(1000)));
        QCOMPARE(main->size(), QSize(twipsToPixelsX(6500), twipsToPixelsY(6500)));
        for (const QString& tip : toolTips(main))
            QVERIFY(!tip.isEmpty());
        QCOMPARE(main->childForms().size(), 1);
        frmDocument* first = document(main, 0);
        QCOMPARE(first->Caption(), QStringLiteral("Dokumentum 1"));
        QVERIFY(first->unchanged());
        QVERIFY(first->rtfDocument->Text().isEmpty());
        QCOMPARE(main->ActiveForm(), first);
        QVERIFY(main->statusBar()->isVisible());
        QVERIFY(main->tbStandard->isVisible());
        QVERIFY(!main->tbHTMLTags->isVisible());
        QVERIFY(!main->tbScripting->isVisible());
        QCOMPARE(modGeneral::helpFile(),
                 QDir::toNativeSeparators(env.programFolder() + "/help/wbxhelp.chm"));
        QVERIFY(env.messages.isEmpty());
    }

    void storedSettingsAreApplied() {
        TestEnv env;
        env.storeSetting("Design", "BgColor", "255"); // pure red
        env.storeSetting("Design", "ToolTip", "0");
        env.storeSetting("Settings", "MainLeft", "1500");
        env.storeSetting("Settings", "MainTop", "3000");
        env.storeSetting("Settings", "MainWidth", "9000");
        env.storeSetting("Settings", "MainHeight", "7500");
        frmMain* main = env.createMainWindow(false);
        QCOMPARE(workspace(main), QColor(255, 0, 0));
        for (const QString& tip : toolTips(main))
            QVERIFY(tip.isEmpty());
        QCOMPARE(main->pos(), QPoint(twipsToPixelsX(1500), twipsToPixelsY(3000)));
        QCOMPARE(main->size(), QSize(twipsToPixelsX(9000), twipsToPixelsY(7500)));
    }

    void toolTipSwitchTreatsAnyNonZeroAsOn_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("shown");
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("two") << "2" << true;
        QTest::newRow("negative") << "-7" << true;
        QTest::newRow("not a number") << "igen" << true;
        QTest::newRow("too big for 16 bits") << "70000" << true;
    }
    void toolTipSwitchTreatsAnyNonZeroAsOn() {
        QFETCH(QString, stored);
        QFETCH(bool, shown);
        TestEnv env;
        env.storeSetting("Design", "ToolTip", stored);
        frmMain* main = env.createMainWindow(false);
        const QStringList tips = toolTips(main);
        QCOMPARE(tips.size(), 14);
        for (const QString& tip : tips)
            QCOMPARE(!tip.isEmpty(), shown);
    }

    void oddStoredValuesFallBackToDefaults() {
        TestEnv env;
        env.storeSetting("Design", "BgColor", "szürke");
        env.storeSetting("Settings", "MainLeft", "bal");
        env.storeSetting("Settings", "MainTop", "");
        env.storeSetting("Settings", "MainWidth", "1e300");
        env.storeSetting("Settings", "MainHeight", "nan");
        frmMain* main = env.createMainWindow(false);
        QCOMPARE(workspace(main), QColor(0x80, 0x80, 0x80));
        QCOMPARE(main->pos(), QPoint(twipsToPixelsX(1000), twipsToPixelsY(1000)));
        QCOMPARE(main->size(), QSize(twipsToPixelsX(6500), twipsToPixelsY(6500)));
        QVERIFY(env.messages.isEmpty());
    }

    void systemColourNumbersUseThePalette() {
        TestEnv env;
        env.storeSetting("Design", "BgColor", QString::number(qint32(0x8000000F))); // button face
        frmMain* main = env.createMainWindow(false);
        QCOMPARE(workspace(main), main->palette().color(QPalette::Button));

        TestEnv other;
        other.storeSetting("Design", "BgColor", QString::number(qint32(0x800000FF))); // no such
        QCOMPARE(workspace(other.createMainWindow(false)), QColor(0x80, 0x80, 0x80));
    }

    void hugeStoredSizeIsClampedToTheScreen() {
        TestEnv env;
        env.storeSetting("Settings", "MainWidth", "9000000");
        env.storeSetting("Settings", "MainHeight", "9999999");
        frmMain* main = env.createMainWindow(); // shown: a window this size would not survive
        const QSize room = QGuiApplication::primaryScreen()->availableVirtualGeometry().size();
        QVERIFY(main->width() <= room.width());
        QVERIFY(main->height() <= room.height());
        QVERIFY(main->width() > 0 && main->height() > 0);
    }

    void positionOffTheDesktopIsUsedUnchanged() {
        TestEnv env;
        env.storeSetting("Settings", "MainLeft", "-30000");
        env.storeSetting("Settings", "MainTop", "-15000");
        frmMain* main = env.createMainWindow(false);
        QCOMPARE(main->pos(), QPoint(twipsToPixelsX(-30000), twipsToPixelsY(-15000)));
    }

    void exitStoresBoundsAsText() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->move(twipsToPixelsX(2000), twipsToPixelsY(1200));
        main->resize(twipsToPixelsX(8000), twipsToPixelsY(6000));
        main->mnuFileExit_Click(); // a document is open: refused
        QVERIFY(main->isVisible());
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt,
                 QStringLiteral("Kilépés előtt zárj be minden dokumentumot!"));
        QVERIFY(!env.hasSetting("Settings", "MainLeft"));

        document(main, 0)->Unload();
        QTRY_COMPARE(main->childForms().size(), 0);
        QSignalSpy unloaded(main, &frmMain::unloaded);
        main->mnuFileExit_Click();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!main->isVisible());
        const auto twips = [](int px, bool x) {
            return QString::number(double(float(x ? pixelsToTwipsX(px) : pixelsToTwipsY(px))));
        };
        QCOMPARE(env.storedSetting("Settings", "MainLeft"), twips(main->pos().x(), true));
        QCOMPARE(env.storedSetting("Settings", "MainTop"), twips(main->pos().y(), false));
        QCOMPARE(env.storedSetting("Settings", "MainWidth"), twips(main->width(), true));
        QCOMPARE(env.storedSetting("Settings", "MainHeight"), twips(main->height(), false));

        // The next start opens where this one ended.
        TestEnv::writeFile(env.path("unused"), {});
        frmMain* next = env.createMainWindow(false);
        QCOMPARE(next->pos(), main->pos());
        QCOMPARE(next->size(), main->size());
    }

    void minimisedExitStoresNothing() {
        TestEnv env;
        env.storeSetting("Settings", "MainLeft", "1234");
        frmMain* main = env.createMainWindow();
        document(main, 0)->Unload();
        QTRY_COMPARE(main->childForms().size(), 0);
        main->showMinimized();
        QTRY_VERIFY(main->isMinimized());
        main->mnuFileExit_Click();
        QCOMPARE(env.storedSetting("Settings", "MainLeft"), QStringLiteral("1234"));
        QVERIFY(!env.hasSetting("Settings", "MainWidth"));
    }

    void windowSystemCloseRequestIsExit() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QVERIFY(!main->close()); // a document is open
        QVERIFY(main->isVisible());
        QCOMPARE(env.messages.size(), 1);
        document(main, 0)->Unload();
        QTRY_COMPARE(main->childForms().size(), 0);
        QVERIFY(main->close());
        QVERIFY(env.hasSetting("Settings", "MainWidth"));
    }

    // One conformance check of the bars: every item of the system where it was, with its caption
    // and key, the added commands behind a separator, and every command reaching its handler.
    void menusAndToolbarsConform() {
        TestEnv env;
        frmMain* main = env.createMainWindow(false);
        const QList<std::tuple<const char*, const char*, const char*>> expected = {
            {"mnuFileNew", "&Új", "Ctrl+N"},
            {"mnuFileOpenHTML", "&HTML dokumentum...", "Ctrl+H"},
            {"mnuFileOpenTemplate", "&Sablon...", "Ctrl+T"},
            {"mnuFileSave", "&Mentés", "Ctrl+S"},
            {"mnuFileSaveAs", "Mentés más&képp...", ""},
            {"mnuFileExportToTemplate", "&Sablonba...", ""},
            {"mnuFileClose", "&Bezárás", ""},
            {"mnuFileExit", "&Kilépés", "F12"},
            {"mnuEditCut", "&Kivágás", "Ctrl+X"},
            {"mnuEditCopy", "&Másolás", "Ctrl+C"},
            {"mnuEditPaste", "&Beillesztés", "Ctrl+V"},
            {"mnuViewStatusBar", "&Állapotsor", ""},
            {"mnuViewToolbarsStandard", "&Standard", ""},
            {"mnuViewToolbarsHTMLTags", "&HTML elemek", ""},
            {"mnuViewToolbarsScripting", "Sz&kriptek", ""},
            {"mnuExtrasBuiltInBrowser", "&Beépített böngésző...", "Ctrl+B"},
            {"mnuExtrasLogo", "Webrix &Logó", "Ctrl+L"},
            {"mnuExtrasColorHTML", "HTML elemek színezése", ""},
            {"mnuModulesWebServer", "&Web szerver...", "Ctrl+W"},
            {"mnuModulesFTPClient", "&FTP kliens...", "Ctrl+F"},
            {"mnuOptionsProgram", "&Program...", "Ctrl+P"},
            {"mnuWindowCascade", "&Egymás fölé", ""},
            {"mnuWindowHorizontal", "&Vízszintesen feloszt", ""},
            {"mnuWindowVertical", "&Függőlegesen feloszt", ""},
            {"mnuWindowArrange", "&Ikonok rendezése", ""},
            {"mnuHelpContents", "&Tartalom", "F1"},
            {"mnuHelpGoToWebrix", "&Webrix honlap...", ""},
            {"mnuHelpGoToTarvco", "&Tarvelon Rodivovev honlap...", ""},
            {"mnuHelpAbout", "&Névjegy...", "Ctrl+A"},
        };
        for (const auto& [name, caption, shortcut] : expected) {
            QAction* item = main->menuItem(QString::fromLatin1(name));
            QVERIFY2(item, name);
            QCOMPARE(item->text(), QString::fromUtf8(caption));
            QCOMPARE(item->shortcut(), QKeySequence(QString::fromLatin1(shortcut)));
            QVERIFY(item->isEnabled());
            QVERIFY(item->isVisible());
        }
        // Commands added later: after every item of the system in their menu, behind a separator.
        const QList<std::tuple<const char*, const char*, const char*, const char*>> added = {
            {"mnuEditUndo", "&Visszavonás", "Ctrl+Z", "mnuEditPaste"},
            {"mnuEditRedo", "&Mégis", "Ctrl+Y", "mnuEditPaste"},
            {"mnuEditSelectAll", "Mindent &kijelöl", "", "mnuEditPaste"},
            {"mnuEditFind", "&Keresés...", "", "mnuEditPaste"},
            {"mnuEditReplace", "&Csere...", "", "mnuEditPaste"},
            {"mnuExtrasPreview", "&Előnézet", "F5", "mnuExtrasColorHTML"},
        };
        for (const auto& [name, caption, shortcut, lastOfSystem] : added) {
            QAction* item = main->menuItem(QString::fromLatin1(name));
            QVERIFY2(item, name);
            QCOMPARE(item->text(), QString::fromUtf8(caption));
            QCOMPARE(item->shortcut(), QKeySequence(QString::fromLatin1(shortcut)));
            QVERIFY(!item->property("accessibleName").toString().isEmpty());
            QVERIFY(!item->toolTip().isEmpty());
            QAction* last = main->menuItem(QString::fromLatin1(lastOfSystem));
            const auto* menu = qobject_cast<QMenu*>(last->parent());
            QVERIFY2(menu, lastOfSystem);
            const QList<QAction*> actions = menu->actions();
            const qsizetype lastAt = actions.indexOf(last);
            QVERIFY2(lastAt >= 0 && lastAt + 1 < actions.size(), name);
            QVERIFY2(actions.at(lastAt + 1)->isSeparator(), name);
            QVERIFY2(actions.indexOf(item) > lastAt + 1, name);
        }
        // Every entry of the product's table: a command reaches its handler, a parent has a menu.
        const auto& items = mainMenuDefinition();
        for (std::size_t i = 0; i < items.size(); ++i) {
            const MenuItemDefinition& item = items[i];
            if (!item.name)
                continue;
            const QString name = QString::fromLatin1(item.name);
            QAction* action = main->menuItem(name);
            QVERIFY2(action, item.name);
            QCOMPARE(action->isCheckable(), item.checkable);
            QCOMPARE(action->isChecked(), item.checkedAtStart);
            QVERIFY(action->isVisible());
            QVERIFY(!action->property("accessibleName").toString().isEmpty());
            const bool command = i + 1 == items.size() || items[i + 1].level <= item.level;
            QVERIFY2(command == bool(frmMain::menuHandler(name)), item.name);
            QCOMPARE(bool(action->menu()), !command);
        }
        QStringList shownTitles;
        for (QAction* top : main->menuBar()->actions())
            shownTitles << top->text();
        QCOMPARE(shownTitles, QStringList({"&Fájl", "S&zerkesztés", "&Nézet", "E&xtrák", "&Modulok",
                                           "&Opciók", "&Ablak", "&Súgó"}));
        // Separators where the menu definition has them: File has five.
        const auto* file = main->findChild<QMenu*>("mnuFile");
        int separators = 0;
        for (QAction* a : file->actions())
            separators += a->isSeparator();
        QCOMPARE(separators, 5);

        // The toolbars as the system defines them, and every standard key reaches a handler.
        QStringList shownKeys;
        for (QAction* a : main->tbStandard->Buttons()) {
            shownKeys << a->objectName();
            QVERIFY(!a->icon().isNull());
            QVERIFY2(frmMain::standardButtonHandler(a->objectName()), qPrintable(a->objectName()));
        }
        QCOMPARE(shownKeys, QStringList({"New", "Open", "Save", "Cut", "Copy", "Paste", "Help"}));
        QCOMPARE(main->tbStandard->actions().size(), 9); // two separators
        QCOMPARE(toolTips(main),
                 QStringList({"Új dokumentum (Ctrl+N)", "HTML dokumentum megnyitása (Ctrl+H)",
                              "Mentés (Ctrl+S)", "Kivág (Ctrl+X)", "Másol (Ctrl+C)",
                              "Beilleszt (Ctrl+V)", "Súgó (F1)",
                              "Dokumentumokkal kapcsolatos tag-ek", "Tag-ek kezdőknek",
                              "Tag-ek haladóknak", "Szkript beszúrása", "JavaScript kód beszúrása",
                              "VBScript kód beszúrása", "PHP3 parancs beszúrása"}));

        struct Entry {
            const char* text;
            const char* key;
        };
        const QList<QList<Entry>> tags = {
            {{"HTML", "html"}, {"HEAD", "head"}, {"TITLE", "title"}, {"BODY", "body"}},
            {{"P", "p"},
             {"IMG", "img"},
             {"FONT", "font"},
             {"H1", "h1"},
             {"H2", "h2"},
             {"H3", "h3"},
             {"H4", "h4"},
             {"H5", "h5"},
             {"H6", "h6"},
             {"TABLE", "table"},
             {"TR", "tr"},
             {"TD", "td"},
             {"A", "a"}},
            {{"FRAMESET", "frameset"},
             {"FRAME", "frame"},
             {"NOFRAMES", "noframes"},
             {"SCRIPT", "script"},
             {"NOSCRIPT", "noscript"},
             {"STYLE", "style"}},
        };
        const QList<QList<Entry>> scripting = {
            {{"JavaScript", "JavaScript"}, {"VBScript", "VBScript"}, {"PHP3", "php3"}},
            {{"Figyelmeztetés", "alert"},
             {"Animált állapotsor", "animbar"},
             {"Animált szöveg", "animtext"},
             {"Háttér választás", "bgselect"},
             {"Levél küldése! gomb", "email"},
             {"Háttér átmenet", "fade"},
             {"Vidám gomb", "funny"},
             {"Ugródeszka", "jumper"}},
            {{"BÉTA VERZIÓ", "vbs_beta"}},
            {{"Szöveg kiíratása", "echo"}},
        };
        auto checkDropDowns = [](ToolBar* bar, const QStringList& captions,
                                 const QList<QList<Entry>>& menus) {
            const QList<QAction*> buttons = bar->Buttons();
            QCOMPARE(buttons.size(), captions.size());
            for (qsizetype b = 0; b < buttons.size(); ++b) {
                QCOMPARE(buttons[b]->text(), captions[b]);
                QVERIFY(buttons[b]->menu());
                const QList<QAction*> entries = buttons[b]->menu()->actions();
                QCOMPARE(entries.size(), menus[b].size());
                for (qsizetype e = 0; e < entries.size(); ++e) {
                    QCOMPARE(entries[e]->text(), QString::fromUtf8(menus[b][e].text));
                    QCOMPARE(entries[e]->objectName(), QString::fromUtf8(menus[b][e].key));
                }
            }
        };
        checkDropDowns(main->tbHTMLTags, {"Dokumentum", "Kezdő", "Haladó"}, tags);
        checkDropDowns(main->tbScripting, {"Beszúr", "JavaScript", "VBScript", "PHP 3"}, scripting);
    }

    void menuShortcutWinsWhileEditorHasFocus() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = document(main, 0)->rtfDocument;
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, "abc");
        // Ctrl+A is the editor's select-all, but the menu gives it to the About box.
        QAction* about = main->menuItem("mnuHelpAbout");
        QObject::disconnect(about, &QAction::triggered, main, nullptr);
        QSignalSpy aboutTriggered(about, &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(aboutTriggered.size(), 1);
        QCOMPARE(editor->SelLength(), 0);
        // A key the editor does not own reaches the menu as well.
        QTest::keyClick(editor, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(main->childForms().size(), 2);

        // Ctrl+W and Ctrl+F belong to the Modules menu, not to the child window's own Close.
        for (const char* name : {"mnuModulesWebServer", "mnuModulesFTPClient"}) {
            QAction* item = main->menuItem(name);
            QObject::disconnect(item, &QAction::triggered, main, nullptr);
            QSignalSpy triggered(item, &QAction::triggered);
            QWidget* focused = main->activeDocument()->rtfDocument;
            focused->setFocus();
            QTest::keyClick(focused, item->shortcut()[0].key(), Qt::ControlModifier);
            QCOMPARE(triggered.size(), 1);
        }
        QCOMPARE(main->childForms().size(), 2);
    }

    void keysReachTheEditorAgainAfterADialog() {
        // The dialogs here really open and are closed as a person would; keys typed afterwards
        // go into the document, also where no window manager hands the focus back.
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = document(main, 0)->rtfDocument;
        main->activateWindow();
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        setMsgBoxHook({});
        CommonDialog::setTestHook({});

        const auto closeNextDialog = [] {
            QTimer::singleShot(0, [] {
                QWidget* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog);
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
        };
        closeNextDialog();
        MsgBox(QStringLiteral("Üzenet"), vbOKOnly, QStringLiteral("Tarvelon's Webrix"), main);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(main));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a"));

        closeNextDialog();
        main->menuItem("mnuHelpAbout")->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(main));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("b"));

        closeNextDialog();
        CommonDialog files(main);
        QVERIFY(!files.ShowOpen());
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(main));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("c"));
        QCOMPARE(editor->Text(), QStringLiteral("abc"));
    }

    void viewTogglesShowAndHideBars() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* html = main->menuItem("mnuViewToolbarsHTMLTags");
        QVERIFY(!html->isChecked());
        html->trigger();
        QVERIFY(html->isChecked());
        QVERIFY(main->tbHTMLTags->isVisible());
        html->trigger();
        QVERIFY(!html->isChecked());
        QVERIFY(!main->tbHTMLTags->isVisible());

        for (const char* item : {"mnuViewStatusBar", "mnuViewToolbarsStandard"}) {
            QAction* action = main->menuItem(item);
            action->trigger();
            QVERIFY(!action->isChecked());
        }
        QVERIFY(!main->statusBar()->isVisible());
        QVERIFY(!main->tbStandard->isVisible());
        main->mnuViewToolbarsScripting_Click(); // the handler itself inverts the mark
        QVERIFY(main->menuItem("mnuViewToolbarsScripting")->isChecked());
        QVERIFY(main->tbScripting->isVisible());
    }

    void toolbarAreaHasNoMenuOfItsOwn() {
        // The bars are shown and hidden through Nézet only, so its check marks always tell.
        TestEnv env;
        frmMain* main = env.createMainWindow();
        bool popupShown = false;
        QTimer::singleShot(300, main, [&popupShown] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popupShown = true;
                popup->close();
            }
        });
        const QPoint inBar(main->tbStandard->width() - 3, main->tbStandard->height() / 2);
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, inBar,
                                     main->tbStandard->mapToGlobal(inBar));
        QApplication::sendEvent(main->tbStandard, &rightClick);
        QTest::qWait(400);
        QVERIFY(!popupShown);

        QAction* html = main->menuItem("mnuViewToolbarsHTMLTags");
        html->trigger();
        QVERIFY(html->isChecked());
        QVERIFY(main->tbHTMLTags->isVisible());
    }

    void maximisedDocumentHasNoCloseButton() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* first = document(main, 0);
        first->showMaximized();
        QWidget* buttons = main->menuBar()->cornerWidget(Qt::TopRightCorner);
        QTRY_VERIFY(buttons && buttons->isVisible());
        QStyle* style = buttons->style();
        QWidget* area = main->MDIClient();

        // Room for two buttons, minimise and restore.
        QStyleOptionComplex two;
        two.initFrom(buttons);
        two.subControls = QStyle::SC_MdiMinButton | QStyle::SC_MdiNormalButton;
        QCOMPARE(buttons->sizeHint(),
                 style->sizeFromContents(QStyle::CT_MdiControls, &two, QSize(48, 16), area));
        // No spot answers as a close button; restore sits at the right end.
        QStyleOptionComplex all = two;
        all.subControls |= QStyle::SC_MdiCloseButton;
        all.rect = buttons->rect();
        for (int x = 0; x < buttons->width(); ++x)
            QVERIFY(style->hitTestComplexControl(QStyle::CC_MdiControls, &all,
                                                 QPoint(x, buttons->height() / 2),
                                                 area) != QStyle::SC_MdiCloseButton);
        QTest::mouseClick(buttons, Qt::LeftButton, {},
                          QPoint(buttons->width() - 3, buttons->height() / 2));
        QTRY_VERIFY(!first->isMaximized());
        QCOMPARE(main->childForms().size(), 1);
    }

    void toolbarsAreStackedInOrder() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->mnuViewToolbarsHTMLTags_Click();
        main->mnuViewToolbarsScripting_Click();
        QVERIFY(main->tbStandard->geometry().bottom() < main->tbHTMLTags->geometry().top());
        QVERIFY(main->tbHTMLTags->geometry().bottom() < main->tbScripting->geometry().top());
        QCOMPARE(main->tbStandard->actions().size(), int(standardToolbarDefinition().size()));
    }

    void statusBarPanels() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        StatusBar* bar = main->statusBar();
        QVERIFY(bar->Panel(1)->text().contains("Tarvelon Rodivovev"));
        QCOMPARE(bar->Panel(1)->toolTip(), bar->Panel(1)->text());
        QCOMPARE(bar->Panel(2)->text(),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QCOMPARE(bar->Panel(3)->text(), QStringLiteral("NUM"));
        QCOMPARE(bar->Panel(4)->text(), QStringLiteral("CAPS"));
        QCOMPARE(bar->Panel(5)->text(), QStringLiteral("INS"));
        QVERIFY(bar->Panel(5)->isEnabled());
        RichTextBox* editor = document(main, 0)->rtfDocument;
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Insert);
        QVERIFY(editor->overwriteMode());
        QVERIFY(!bar->Panel(5)->isEnabled());
        QTest::keyClick(editor, Qt::Key_Insert);
        QVERIFY(bar->Panel(5)->isEnabled());
    }

    void windowMenuArrangesChildren() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->resize(900, 700);
        main->NewDocumentWindow();
        main->NewDocumentWindow();
        const QList<QMdiSubWindow*> windows = main->MDIClient()->subWindowList();
        const QRect room = main->MDIClient()->viewport()->rect();

        main->menuItem("mnuWindowHorizontal")->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(windows[i]->width(), room.width());
            if (i > 0)
                QCOMPARE(windows[i]->y(), windows[i - 1]->geometry().bottom() + 1);
        }
        main->menuItem("mnuWindowVertical")->trigger();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(windows[i]->height(), room.height());
            if (i > 0)
                QCOMPARE(windows[i]->x(), windows[i - 1]->geometry().right() + 1);
        }
        main->menuItem("mnuWindowCascade")->trigger();
        QVERIFY(windows[1]->y() > windows[0]->y());
        QVERIFY(windows[2]->y() > windows[1]->y());

        windows[0]->showMinimized();
        windows[1]->showMinimized();
        main->menuItem("mnuWindowArrange")->trigger();
        QCOMPARE(windows[0]->geometry().bottom(), room.bottom());
        QCOMPARE(windows[1]->geometry().bottom(), room.bottom());
        QCOMPARE(windows[0]->x(), 0);
        QCOMPARE(windows[1]->x(), windows[0]->width());
    }
};

WEBRIX_TEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
