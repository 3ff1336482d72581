#include "shared/dialogfocus.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    modules::returnFocusAfterDialogs(app);
    QApplication::setOrganizationName(QStringLiteral("Webrix"));
    QApplication::setApplicationName(QStringLiteral("FTPClient"));
    // Qt's own texts (file list headers, standard buttons) in Hungarian like the rest.
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    ftp::MainWindow window;
    window.show();
    return QApplication::exec();
}
