// The Modules menu: the module programs are started from the program folder, one copy per use.

#include <QDir>
#include <QFile>

#include "app/frmMain.h"
#include "tests/support/TestEnv.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
const QString kNotInstalled = QStringLiteral("A modul nincs megfelelően telepítve!");

QString modulePath(const TestEnv& env, const QString& file) {
    return env.programFolder() + QStringLiteral("/modules/") + file;
}

// A module stand-in: appends its process id, argument count and working folder to the log.
bool writeModule(const QString& path, const QString& log) {
    const QByteArray script =
        "#!/bin/sh\necho \"$$ $# $(pwd)\" >> '" + QFile::encodeName(log) + "'\n";
    if (!TestEnv::writeFile(path, script))
        return false;
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                           QFile::ExeGroup | QFile::ExeOther);
}

QList<QByteArray> logLines(const QString& log) {
    QList<QByteArray> lines = TestEnv::readFile(log).split('\n');
    lines.removeAll(QByteArray());
    return lines;
}
} // namespace

class ModulesTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data() {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("web server") << "mnuModulesWebServer"
                                    << "WebServer.exe"
                                    << "Ctrl+W";
        QTest::newRow("FTP client") << "mnuModulesFTPClient"
                                    << "FTPClient.exe"
                                    << "Ctrl+F";
    }

    void missingModuleIsReported_data() { commands_data(); }
    void missingModuleIsReported() {
        QFETCH(QString, menuItem);
        QFETCH(QString, file);
        QFETCH(QString, shortcut);
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* item = main->menuItem(menuItem);
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(shortcut));

        const auto expectMessage = [&] {
            env.messages.clear();
            item->trigger();
            QCOMPARE(env.messages.size(), 1);
            QCOMPARE(env.messages[0].prompt, kNotInstalled);
            QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
            QCOMPARE(env.messages[0].icon(), int(vbCritical));
            QCOMPARE(env.messages[0].buttons(), int(vbOKOnly));
        };
        expectMessage(); // no modules folder at all
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QDir().mkpath(modulePath(env, file)));
        expectMessage(); // a folder in the program's place
        if (QTest::currentTestFailed())
            return;
#ifdef Q_OS_WIN
        QVERIFY(QDir(modulePath(env, file)).removeRecursively());
        QVERIFY(TestEnv::writeFile(modulePath(env, file), "MZ"));
        const std::wstring native = QDir::toNativeSeparators(modulePath(env, file)).toStdWString();
        QVERIFY(SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_HIDDEN));
        expectMessage(); // a hidden file
        QVERIFY(SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_SYSTEM));
        expectMessage(); // a system file
#else
        // A link to nowhere is no file either.
        QVERIFY(QDir(modulePath(env, file)).removeRecursively());
        QVERIFY(QFile::link(env.path(QStringLiteral("gone")), modulePath(env, file)));
        expectMessage();
#endif
        QVERIFY(main->isVisible());
    }

    void eachUseStartsAnotherCopy_data() {
        commands_data();
    }
    void eachUseStartsAnotherCopy() {
#ifdef Q_OS_WIN
        QSKIP("The module stand-in is a shell script.");
#endif
        QFETCH(QString, menuItem);
        QFETCH(QString, file);
        TestEnv env;
        const QString log = env.path(QStringLiteral("module.log"));
        QVERIFY(writeModule(modulePath(env, file), log));
        frmMain* main = env.createMainWindow();
        main->menuItem(menuItem)->trigger();
        main->menuItem(menuItem)->trigger();
        QTRY_COMPARE(logLines(log).size(), 2);
        QVERIFY(env.messages.isEmpty());

        const QList<QByteArray> first = logLines(log)[0].split(' ');
        const QList<QByteArray> second = logLines(log)[1].split(' ');
        QCOMPARE(first.size(), 3);
        QVERIFY(first[0] != second[0]);      // two processes
        QCOMPARE(first[1], QByteArray("0")); // no arguments
        QCOMPARE(second[1], QByteArray("0"));
        QCOMPARE(QDir(QString::fromLocal8Bit(first[2])).canonicalPath(),
                 QDir(env.programFolder() + QStringLiteral("/modules")).canonicalPath());
    }

    void moduleThatCannotStartIsReported_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("executable");
        QTest::newRow("no permission to run") << QByteArray("#!/bin/sh\nexit 0\n") << false;
        QTest::newRow("not a program") << QByteArray("\x01\x02 not a program\n") << true;
        QTest::newRow("missing interpreter") << QByteArray("#!/nowhere/sh\n") << true;
    }
    void moduleThatCannotStartIsReported() {
#ifdef Q_OS_WIN
        QSKIP("Start failures are made with file permissions.");
#endif
        QFETCH(QByteArray, content);
        QFETCH(bool, executable);
        TestEnv env;
        const QString path = modulePath(env, QStringLiteral("FTPClient.exe"));
        QVERIFY(TestEnv::writeFile(path, content));
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        if (executable)
            permissions |= QFile::ExeOwner | QFile::ExeGroup;
        QVERIFY(QFile::setPermissions(path, permissions));
        frmMain* main = env.createMainWindow();
        main->menuItem(QStringLiteral("mnuModulesFTPClient"))->trigger();
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(
            env.messages[0].prompt.startsWith(QStringLiteral("A modult nem sikerült elindítani")),
            qPrintable(env.messages[0].prompt));
        QVERIFY(env.messages[0].prompt.contains(QDir::toNativeSeparators(path)));
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY(main->isVisible());
        // The editor goes on: the other command still works as before.
        main->menuItem(QStringLiteral("mnuModulesWebServer"))->trigger();
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(env.messages[1].prompt, kNotInstalled);
    }
};

WEBRIX_TEST_MAIN(ModulesTest)
#include "tst_modules.moc"
