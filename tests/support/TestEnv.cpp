#include "tests/support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "documents/RecoveryStore.h"

namespace {
bool copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else if (!QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}
} // namespace

TestEnv::TestEnv(bool copyData) {
    QDir(root()).mkpath(QStringLiteral("program"));
    QDir(root()).mkpath(QStringLiteral("settings"));
    // The user's data folder (QStandardPaths) lies inside the temporary directory too.
    QDir(root()).mkpath(QStringLiteral("userdata"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("userdata"))));
    if (copyData)
        copyTree(QStringLiteral(WEBRIX_SOURCE_DATA_DIR), programFolder());

    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder());
    modGeneral::setProgramFolderForTesting(programFolder());
    modGeneral::setAppNameForTesting(QStringLiteral("Webrix"));
    modGeneral::setCommandLineForTesting(QString());
    // Recovery copies stay in the test's own folder, never in the user's.
    RecoveryStore::setFolderForTesting(recoveryFolder());

    setMsgBoxHook([this](const MsgBoxCall& call) {
        messages << call;
        if (!m_messageAnswers.empty()) {
            const int answer = m_messageAnswers.front();
            m_messageAnswers.pop_front();
            return answer;
        }
        return call.buttons() == vbYesNo ? int(vbNo) : int(vbOK);
    });
    CommonDialog::setTestHook([this](CommonDialog& dialog, CommonDialog::Kind kind) {
        dialogs << DialogCall{kind, dialog.DialogTitle, dialog.Filter, dialog.OverwritePrompt};
        if (kind == CommonDialog::Kind::Color) {
            if (m_colorAnswers.empty())
                return false;
            const auto answer = m_colorAnswers.front();
            m_colorAnswers.pop_front();
            if (!answer)
                return false;
            dialog.Color = *answer;
            return true;
        }
        if (m_fileAnswers.empty())
            return false;
        const auto answer = m_fileAnswers.front();
        m_fileAnswers.pop_front();
        if (!answer)
            return false;
        dialog.FileName = *answer;
        return true;
    });
}

TestEnv::~TestEnv() {
    for (frmMain* window : m_windows)
        delete window;
    setMsgBoxHook({});
    CommonDialog::setTestHook({});
    modGeneral::setMainWindow(nullptr);
}

QString TestEnv::programFolder() const {
    return path(QStringLiteral("program"));
}
QString TestEnv::settingsFolder() const {
    return path(QStringLiteral("settings"));
}
QString TestEnv::recoveryFolder() const {
    return path(QStringLiteral("data/recovery"));
}
QString TestEnv::path(const QString& name) const {
    return m_dir.filePath(name);
}

QString TestEnv::storedSetting(const QString& section, const QString& key) const {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Webrix"));
    return store.value(section + QLatin1Char('/') + key).toString();
}

bool TestEnv::hasSetting(const QString& section, const QString& key) const {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Webrix"));
    return store.contains(section + QLatin1Char('/') + key);
}

void TestEnv::storeSetting(const QString& section, const QString& key, const QString& value) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Webrix"));
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
}

frmMain* TestEnv::createMainWindow(bool show, const QString& commandLine) {
    modGeneral::setCommandLineForTesting(commandLine);
    auto* window = new frmMain;
    m_windows << window;
    modGeneral::setMainWindow(window);
    window->Load();
    if (show) {
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowExposed(window);
    }
    return window;
}

QByteArray TestEnv::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool TestEnv::writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size();
}
