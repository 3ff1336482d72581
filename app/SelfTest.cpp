#include "app/SelfTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "controls/RichTextBox.h"
#include "documents/frmDocument.h"

namespace {

constexpr int kPollIntervalMs = 100;
// The splash alone stays up for 1.5 s; a slow machine may need a good deal more.
constexpr int kGiveUpAfterMs = 60000;

// Data the installation must hold beside the program: snippet files and their folders.
const char* const kRequiredData[] = {"\\tags\\table.tag", "\\scriptlets\\JavaScript",
                                     "\\scriptlets\\Php3", "\\extras\\wbxlogo.tvx"};

int reportInstallation(QTextStream& out) {
    int exitCode = 0;
    out << "program folder: " << modGeneral::programFolder() << '\n';
    for (const char* relative : kRequiredData) {
        const QString path = modGeneral::programFile(QString::fromLatin1(relative));
        const bool present = QFileInfo::exists(path);
        out << QString::fromLatin1(relative) << ": " << (present ? "found" : "missing") << '\n';
        if (!present)
            exitCode = 1;
    }
    return exitCode;
}

void reportDocument(QTextStream& out, frmDocument* document) {
    out << "document: " << document->Caption() << " (" << document->rtfDocument->Text().size()
        << " characters)\n";
}

} // namespace

bool selfTestRequested() {
    return qEnvironmentVariable("WEBRIX_SELFTEST") == QLatin1String("1");
}

void startSelfTest() {
    auto* poll = new QTimer(QCoreApplication::instance());
    QElapsedTimer sinceStart;
    sinceStart.start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, sinceStart] {
        frmMain* main = modGeneral::mainWindow();
        const bool shown = main && main->isVisible();
        const bool timedOut = sinceStart.elapsed() > kGiveUpAfterMs;
        if (!shown && !timedOut)
            return;
        frmDocument* document = shown ? main->activeOrFirstDocument() : nullptr;
        poll->stop();

        QTextStream out(stdout);
        int exitCode = reportInstallation(out);
        if (shown) {
            out << "main window: loaded\n";
            if (document)
                reportDocument(out, document);
            else
                out << "document: none\n";
        } else {
            out << "main window: not shown\n";
            exitCode = 2;
        }
        out.flush();
        // Leaves every event loop, a message box's included.
        QCoreApplication::exit(exitCode);
    });
    poll->start(kPollIntervalMs);
}
