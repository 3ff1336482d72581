// Program options: the dialog against the settings store and the colour chooser.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>

#include "app/frmMain.h"
#include "controls/CommonDialog.h"
#include "controls/ToolBar.h"
#include "controls/Twips.h"
#include "dialogs/frmProgramOptions.h"
#include "resources/Texts.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/TestEnv.h"

class OptionsTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndLook() {
        TestEnv env;
        frmProgramOptions dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Opciók: program"));
        QCOMPARE(dialog.size(), QSize(twipsToPixelsX(3450), twipsToPixelsY(4695)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(dialog.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(dialog.font().pointSizeF(), 8.25);

        QCOMPARE(dialog.frameDesign->title(), QStringLiteral("Program design"));
        QCOMPARE(dialog.frameBrowser->title(), QStringLiteral("Böngésző beállítások"));
        QCOMPARE(dialog.lblBackgroundColor->text(), QStringLiteral("Háttér szín:"));
        QCOMPARE(dialog.lblStartingAddress->text(), QStringLiteral("Indulócím:"));
        QCOMPARE(dialog.cmdChooseColor->text(), QStringLiteral("Válassz!"));
        QCOMPARE(dialog.chkShowToolTips->text(), QStringLiteral("Eszköztippek mutatása"));
        QCOMPARE(dialog.cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("&Mégse"));
        // Children sit in their frames.
        QCOMPARE(dialog.txtColorCode->parentWidget(), dialog.frameDesign);
        QCOMPARE(dialog.txtStartingAddress->parentWidget(), dialog.frameBrowser);
        QCOMPARE(dialog.txtStartingAddress->geometry(), twipsRect(120, 600, 3015, 285));
        QCOMPARE(dialog.cmdCancel->geometry(), twipsRect(1800, 4200, 1575, 375));
        for (QWidget* w : dialog.findChildren<QWidget*>())
            if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    void focusStartsOnCheckBoxAndTabFollowsTheOrder() {
        TestEnv env;
        frmProgramOptions dialog;
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.chkShowToolTips);
        const QList<QWidget*> expected = {
            dialog.cmdOK,        dialog.cmdCancel,          dialog.cmdChooseColor,
            dialog.txtColorCode, dialog.txtStartingAddress, dialog.chkShowToolTips};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        dialog.reject();
    }

    void emptyStoreShowsDefaultsAndOkStoresThem() {
        TestEnv env;
        frmProgramOptions dialog;
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("8421504"));
        QCOMPARE(dialog.chkShowToolTips->checkState(), Qt::Checked);
        QCOMPARE(dialog.txtStartingAddress->text(), Texts::MakerHomePageAddress);
        QCOMPARE(dialog.txtStartingAddress->cursorPosition(), 0); // shows the address's start
        QVERIFY(!env.hasSetting(QStringLiteral("Design"), QStringLiteral("BgColor")));

        dialog.show();
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")),
                 QStringLiteral("8421504"));
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("ToolTip")),
                 QStringLiteral("1"));
        QCOMPARE(env.storedSetting(QStringLiteral("Browser"), QStringLiteral("Home")),
                 Texts::MakerHomePageAddress);
        QVERIFY(env.messages.isEmpty());
    }

    void okStoresTheTypedTextsUncheckedAndUntrimmed() {
        TestEnv env;
        env.storeSetting(QStringLiteral("Design"), QStringLiteral("BgColor"), QStringLiteral("1"));
        frmProgramOptions dialog;
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("1"));
        dialog.txtColorCode->setText(QStringLiteral("kék"));
        dialog.txtStartingAddress->setText(QStringLiteral("  http://start.example/ "));
        QTest::mouseClick(dialog.chkShowToolTips, Qt::LeftButton);
        QCOMPARE(dialog.chkShowToolTips->checkState(), Qt::Unchecked);
        dialog.cmdOK->click();
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")),
                 QStringLiteral("kék"));
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("ToolTip")),
                 QStringLiteral("0"));
        QCOMPARE(env.storedSetting(QStringLiteral("Browser"), QStringLiteral("Home")),
                 QStringLiteral("  http://start.example/ "));

        // Empty texts are stored as they are, too.
        frmProgramOptions again;
        QCOMPARE(again.txtColorCode->text(), QStringLiteral("kék"));
        QCOMPARE(again.chkShowToolTips->checkState(), Qt::Unchecked);
        again.txtColorCode->clear();
        again.txtStartingAddress->clear();
        again.cmdOK->click();
        QVERIFY(env.hasSetting(QStringLiteral("Browser"), QStringLiteral("Home")));
        QCOMPARE(env.storedSetting(QStringLiteral("Browser"), QStringLiteral("Home")), QString());
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")), QString());
    }

    void toolTipValues_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("written");
        QTest::newRow("unchecked") << "0" << int(Qt::Unchecked) << "0";
        QTest::newRow("checked") << "1" << int(Qt::Checked) << "1";
        QTest::newRow("greyed") << "2" << int(Qt::PartiallyChecked) << "2";
        QTest::newRow("out of range") << "7" << int(Qt::Checked) << "1";
        QTest::newRow("negative") << "-1" << int(Qt::Checked) << "1";
        QTest::newRow("not a number") << "igen" << int(Qt::Checked) << "1";
        QTest::newRow("empty") << "" << int(Qt::Checked) << "1";
        QTest::newRow("huge") << "99999999999999999999" << int(Qt::Checked) << "1";
    }
    void toolTipValues() {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        QFETCH(QString, written);
        TestEnv env;
        env.storeSetting(QStringLiteral("Design"), QStringLiteral("ToolTip"), stored);
        frmProgramOptions dialog;
        QCOMPARE(int(dialog.chkShowToolTips->checkState()), shown);
        dialog.cmdOK->click();
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("ToolTip")), written);
    }

    void clickingTheGreyedBoxChecksIt() {
        TestEnv env;
        env.storeSetting(QStringLiteral("Design"), QStringLiteral("ToolTip"), QStringLiteral("2"));
        frmProgramOptions dialog;
        dialog.show();
        QTest::mouseClick(dialog.chkShowToolTips, Qt::LeftButton);
        QCOMPARE(dialog.chkShowToolTips->checkState(), Qt::Checked);
        QTest::mouseClick(dialog.chkShowToolTips, Qt::LeftButton);
        QCOMPARE(dialog.chkShowToolTips->checkState(), Qt::Unchecked);
        QTest::mouseClick(dialog.chkShowToolTips, Qt::LeftButton);
        QCOMPARE(dialog.chkShowToolTips->checkState(), Qt::Checked);
        dialog.reject();
    }

    void cancelAndCloseBoxStoreNothing() {
        TestEnv env;
        {
            frmProgramOptions dialog;
            dialog.show();
            dialog.txtColorCode->setText(QStringLiteral("255"));
            dialog.txtStartingAddress->setText(QStringLiteral("http://x.example/"));
            dialog.chkShowToolTips->setChecked(false);
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        {
            frmProgramOptions dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.txtColorCode->setText(QStringLiteral("255"));
            QVERIFY(dialog.close()); // the close box
        }
        QVERIFY(!env.hasSetting(QStringLiteral("Design"), QStringLiteral("BgColor")));
        QVERIFY(!env.hasSetting(QStringLiteral("Design"), QStringLiteral("ToolTip")));
        QVERIFY(!env.hasSetting(QStringLiteral("Browser"), QStringLiteral("Home")));

        env.storeSetting(QStringLiteral("Browser"), QStringLiteral("Home"),
                         QStringLiteral("http://stored.example/"));
        frmProgramOptions reopened;
        QCOMPARE(reopened.txtStartingAddress->text(), QStringLiteral("http://stored.example/"));
        QCOMPARE(reopened.txtColorCode->text(), QStringLiteral("8421504"));
    }

    void colourChooserWritesTheDecimalColour() {
        TestEnv env;
        frmProgramOptions dialog;
        QCOMPARE(dialog.dlgCommonDialog->objectName(), QStringLiteral("dlgCommonDialog"));
        QCOMPARE(dialog.dlgCommonDialog->Color, 0u);
        env.queueColorAnswer(0x0000FF); // pure red
        dialog.cmdChooseColor->click();
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Color);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Choose a color..."));
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("255"));
        env.queueColorAnswer(0xFF0000); // pure blue
        dialog.cmdChooseColor->click();
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("16711680"));
        env.queueColorAnswer(0);
        dialog.cmdChooseColor->click();
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("0"));
        dialog.cmdOK->click();
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")),
                 QStringLiteral("0"));

        // The chooser keeps nothing between openings.
        frmProgramOptions next;
        QCOMPARE(next.dlgCommonDialog->Color, 0u);
        QVERIFY(next.dlgCommonDialog != dialog.dlgCommonDialog);
    }

    void cancelledColourChooserLeavesTheCodeAsItWas() {
        TestEnv env;
        env.storeSetting(QStringLiteral("Design"), QStringLiteral("BgColor"),
                         QStringLiteral("12345"));
        frmProgramOptions dialog;
        env.queueColorCancel();
        dialog.cmdChooseColor->click();
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("12345"));

        env.queueColorAnswer(255);
        dialog.cmdChooseColor->click();
        dialog.txtColorCode->setText(QStringLiteral("255 kézzel"));
        env.queueColorCancel();
        dialog.cmdChooseColor->click();
        QCOMPARE(dialog.txtColorCode->text(), QStringLiteral("255 kézzel"));
        dialog.cmdOK->click();
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")),
                 QStringLiteral("255 kézzel"));
    }

    void menuOpensModalDialogOverTheMainWindowAndChangesNothingOnScreen() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* item = main->menuItem(QStringLiteral("mnuOptionsProgram"));
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        const QBrush background = main->MDIClient()->background();
        const QString toolTip = ToolBar::ToolTipText(main->tbStandard->Button(1));
        QVERIFY(!toolTip.isEmpty());

        // Observations are checked after the dialog has closed, so a failure cannot leave it open.
        bool seen = false;
        QWidget* owner = nullptr;
        bool modalToApplication = false;
        whenModalShows([&](QWidget* modal) {
            auto* dialog = qobject_cast<frmProgramOptions*>(modal);
            seen = dialog != nullptr;
            if (!dialog) {
                modal->close();
                return;
            }
            owner = dialog->parentWidget();
            modalToApplication = dialog->windowModality() == Qt::ApplicationModal;
            dialog->txtColorCode->setText(QStringLiteral("255"));
            dialog->chkShowToolTips->setChecked(false);
            dialog->cmdOK->click();
        });
        item->trigger();
        QVERIFY(seen);
        QCOMPARE(owner, main);
        QVERIFY(modalToApplication);
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("BgColor")),
                 QStringLiteral("255"));
        QCOMPARE(env.storedSetting(QStringLiteral("Design"), QStringLiteral("ToolTip")),
                 QStringLiteral("0"));
        QCOMPARE(main->MDIClient()->background(), background);
        QCOMPARE(ToolBar::ToolTipText(main->tbStandard->Button(1)), toolTip);

        // The next opening reads the settings again.
        QString shown;
        whenModalShows([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmProgramOptions*>(modal)) {
                shown = dialog->txtColorCode->text();
                dialog->cmdCancel->click();
            } else {
                modal->close();
            }
        });
        item->trigger();
        QCOMPARE(shown, QStringLiteral("255"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

WEBRIX_TEST_MAIN(OptionsTest)
#include "tst_options.moc"
