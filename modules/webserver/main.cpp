// The Webrix web server module. Started with no arguments (as the editor does) it shows its
// window; the options below serve a folder straight away, with or without the window.
#include "folderserver.h"
#include "serverwindow.h"
#include "shared/dialogfocus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool hasArgument(int argc, char** argv, const char* wanted) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}

struct Options {
    QString folder;
    quint16 port = webserver::ServerWindow::kDefaultPort;
    bool portGiven = false;
    bool allInterfaces = false;
    bool noGui = false;
    bool quiet = false;
};

Options parseOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Webrix Web szerver"));
    parser.addHelpOption();
    const QCommandLineOption serve(QStringLiteral("serve"),
                                   QStringLiteral("A kiszolgálandó mappa, azonnali indítással."),
                                   QStringLiteral("mappa"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("A port (0: bármelyik szabad port)."),
                                  QStringLiteral("szám"));
    const QCommandLineOption lan(QStringLiteral("lan"),
                                 QStringLiteral("Kiszolgálás a helyi hálózatnak is."));
    const QCommandLineOption noGui(QStringLiteral("no-gui"),
                                   QStringLiteral("Ablak nélkül fut (a --serve kell hozzá)."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("A kéréseket nem írja ki."));
    parser.addOptions({serve, port, lan, noGui, quiet});
    parser.process(app);

    Options options;
    options.folder = parser.value(serve);
    options.allInterfaces = parser.isSet(lan);
    options.noGui = parser.isSet(noGui);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(port)) {
        bool ok = false;
        const int value = parser.value(port).toInt(&ok);
        if (!ok || value < 0 || value > 65535) {
            QTextStream(stderr) << "Érvénytelen port: " << parser.value(port) << Qt::endl;
            std::exit(2);
        }
        options.port = static_cast<quint16>(value);
        options.portGiven = true;
    }
    if (options.noGui && options.folder.isEmpty()) {
        QTextStream(stderr) << "A --no-gui mellé a --serve mappa is kell." << Qt::endl;
        std::exit(2);
    }
    return options;
}

int runHeadless(QCoreApplication& app, const Options& options) {
    webserver::FolderServer server;
    const webserver::StartResult result =
        server.start(options.folder, options.port, options.allInterfaces);
    QTextStream err(stderr);
    if (!result.ok) {
        err << result.message << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    out << "Cím: " << server.localUrl() << Qt::endl;
    for (const QString& url : server.networkUrls())
        out << "Cím: " << url << Qt::endl;
    if (!options.quiet) {
        QObject::connect(&server, &webserver::FolderServer::requestServed, &app,
                         [](const webserver::RequestLogEntry& entry) {
                             QTextStream(stdout) << entry.toLogLine() << Qt::endl;
                         });
    }
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Webrix"));
    QCoreApplication::setApplicationName(QStringLiteral("WebServer"));

    if (hasArgument(argc, argv, "--no-gui")) {
        QCoreApplication app(argc, argv);
        return runHeadless(app, parseOptions(app));
    }

    QApplication app(argc, argv);
    modules::returnFocusAfterDialogs(app);
    const Options options = parseOptions(app);
    webserver::ServerWindow window;
    if (!options.folder.isEmpty()) {
        window.setFolder(options.folder);
        if (options.portGiven && options.port != 0) // the window has no "any port" choice
            window.setPort(options.port);
    }
    window.show();
    if (!options.folder.isEmpty())
        window.startServing();
    return app.exec();
}
