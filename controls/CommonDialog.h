#pragma once
// The common dialog: open, save and colour dialogs with the classic properties. Every file and
// colour dialog of the program goes through this class, so tests can answer them.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

class CommonDialog : public QObject {
    Q_OBJECT
public:
    enum class Kind { Open, Save, Color };

    explicit CommonDialog(QWidget* owner, const QString& name = QStringLiteral("dlgCommonDialog"));

    QString DialogTitle;
    // "Description|pattern; pattern|Description|pattern": pairs of a shown text and its patterns.
    QString Filter;
    bool CancelError = false;
    QString FileName;
    quint32 Color = 0; // 0x00BBGGRR
    // Ask before replacing an existing file in the save dialog; the document commands decide.
    bool OverwritePrompt = false;

    // Each returns false when the user cancelled; FileName is then empty (file dialogs) and Color
    // unchanged.
    bool ShowOpen();
    bool ShowSave();
    bool ShowColor();

    // The filter as entries the dialog shows: {description as written, its patterns}.
    struct FilterEntry {
        QString description;
        QStringList patterns;
    };
    static QList<FilterEntry> parseFilter(const QString& filter);

    // Test hook: answers instead of a real dialog. It may set FileName or Color and returns
    // whether the dialog was confirmed.
    using Hook = std::function<bool(CommonDialog& dialog, Kind kind)>;
    static void setTestHook(Hook hook);

private:
    bool showFileDialog(Kind kind);
    QWidget* m_owner;
};
