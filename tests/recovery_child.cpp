// The editor as the recovery tests need it in a process of its own: started with a recovery
// folder, a settings folder and a page, it types into the page's window and into a new untitled
// window, waits until the journal has both on disk (on its own schedule: nothing is forced), says
// "READY" and goes on running until it is killed.
//
// Arguments: recovery folder, settings folder, page to open, text for the page, text for the
// untitled window.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTest>
#include <QTextStream>

#include "app/AppSetup.h"
#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryJournal.h"
#include "documents/RecoveryStore.h"
#include "documents/frmDocument.h"

namespace {
// Typed one key at a time, also the letters no key of the test keyboard has.
void type(RichTextBox* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(box, &release);
    }
}

bool copyOnDisk(const RecoveryJournal* journal, const frmDocument* document) {
    QFile file(journal->copyPath(document));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const auto copy = decodeRecoveryCopy(file.readAll(), nullptr);
    QString text = document->rtfDocument->documentText();
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    return copy && copy->text == text;
}
} // namespace

int main(int argc, char** argv) {
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    RecoveryStore::setFolderForTesting(args[1]);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, args[2]);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, args[2]);
    modGeneral::setProgramFolderForTesting(args[2]);
    modGeneral::setAppNameForTesting(QStringLiteral("Webrix"));
    modGeneral::setCommandLineForTesting(args[3]);
    setMsgBoxHook([](const MsgBoxCall& call) {
        QTextStream(stderr) << "message: " << call.prompt << Qt::endl;
        return call.buttons() == vbYesNo ? int(vbNo) : int(vbOK);
    });

    auto* main = new frmMain;
    modGeneral::setMainWindow(main);
    main->Load();
    main->show();
    (void)QTest::qWaitForWindowExposed(main);

    auto* page = qobject_cast<frmDocument*>(main->childForms().value(0));
    if (!page)
        return 3;
    type(page->rtfDocument, args[4]);
    frmDocument* untitled = main->NewDocumentWindow();
    type(untitled->rtfDocument, args[5]);

    QElapsedTimer waited;
    waited.start();
    while (!copyOnDisk(main->journal(), page) || !copyOnDisk(main->journal(), untitled)) {
        if (waited.elapsed() > 30000)
            return 4;
        QTest::qWait(20);
    }
    QTextStream(stdout) << "READY " << main->journal()->sessionFolder() << Qt::endl;
    return app.exec();
}
