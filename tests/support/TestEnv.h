#pragma once
// A test's own world: settings and program folder in a temporary directory, message boxes and
// file dialogs answered by the test, and helpers for files and the main window.

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <optional>

#include "app/AppSetup.h"
#include "controls/CommonDialog.h"
#include "controls/MsgBox.h"

class frmMain;

class TestEnv {
public:
    // copyData: copy the installation's data folders into the temporary program folder.
    explicit TestEnv(bool copyData = true);
    ~TestEnv();
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    QString root() const { return m_dir.path(); }
    QString programFolder() const;
    QString settingsFolder() const;
    // Where the recovery journal keeps its copies during the test.
    QString recoveryFolder() const;
    // A path inside the temporary directory (folders are not created).
    QString path(const QString& name) const;

    // Message boxes: every box is recorded; queued answers are used first, then vbOK for an OK
    // box and vbNo for a Yes/No question.
    QList<MsgBoxCall> messages;
    void queueMessageAnswer(int answer) { m_messageAnswers.push_back(answer); }

    // File and colour dialogs: every dialog is recorded; queued answers are used first, then
    // the dialog is cancelled.
    struct DialogCall {
        CommonDialog::Kind kind;
        QString title;
        QString filter;
        bool overwritePrompt;
    };
    QList<DialogCall> dialogs;
    void queueFileAnswer(const QString& path) { m_fileAnswers.push_back(path); }
    void queueFileCancel() { m_fileAnswers.push_back(std::nullopt); }
    void queueColorAnswer(quint32 colour) { m_colorAnswers.push_back(colour); }
    void queueColorCancel() { m_colorAnswers.push_back(std::nullopt); }

    // Settings as stored for the program's name ("Webrix").
    QString storedSetting(const QString& section, const QString& key) const;
    bool hasSetting(const QString& section, const QString& key) const;
    void storeSetting(const QString& section, const QString& key, const QString& value);

    // A loaded main window (shown unless show is false); deleted with the environment.
    frmMain* createMainWindow(bool show = true, const QString& commandLine = QString());

    static QByteArray readFile(const QString& path);
    static bool writeFile(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir m_dir;
    std::deque<int> m_messageAnswers;
    std::deque<std::optional<QString>> m_fileAnswers;
    std::deque<std::optional<quint32>> m_colorAnswers;
    QList<frmMain*> m_windows;
};

// main() for a test program: the web engine's flags, the application object and its set-up,
// then the test class.
#define WEBRIX_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char** argv) {                                                              \
        prepareWebEngineEnvironment();                                                             \
        QApplication app(argc, argv);                                                              \
        setUpApplication(app);                                                                     \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
