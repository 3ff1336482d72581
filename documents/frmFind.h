#pragma once
// The find and replace window: a small non-modal window beside the documents. It only gathers
// what to look for; the main window acts on the current document when a button asks it to.

#include <QDialog>

#include "documents/TextSearch.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(QWidget* parent = nullptr);

    // Shows the window for finding only, or with the replacement text and its buttons.
    void showFind();
    void showReplace();
    bool isReplacing() const { return m_replacing; }

    FindOptions options() const;
    QString replaceWith() const;
    bool selectionOnly() const;

    QLabel* lblFind;
    QLineEdit* txtFind;
    QLabel* lblReplace;
    QLineEdit* txtReplace;
    QCheckBox* chkMatchCase;
    QCheckBox* chkWholeWord;
    QCheckBox* chkRegularExpression;
    QCheckBox* chkBackwards;
    QCheckBox* chkSelectionOnly;
    QPushButton* cmdFindNext;
    QPushButton* cmdReplace;
    QPushButton* cmdReplaceAll;
    QPushButton* cmdClose;

signals:
    void findNextClicked();
    void replaceClicked();
    void replaceAllClicked();

private:
    void showAs(bool replacing);
    void present();

    bool m_replacing = false;
};
