#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Webrix"));
    QApplication::setApplicationName(QStringLiteral("FTPClient"));
    ftp::MainWindow window;
    window.show();
    return QApplication::exec();
}
