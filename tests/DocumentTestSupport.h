#pragma once
// Small helpers shared by the document command tests: menu commands by name, the active
// document's editor, and windows that are not documents.

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "app/frmMain.h"
#include "controls/RichTextBox.h"
#include "documents/frmDocument.h"

namespace DocumentTest {

inline void runCommand(frmMain* main, const char* menuItem) {
    QAction* action = main->menuItem(QString::fromLatin1(menuItem));
    QVERIFY2(action, menuItem);
    action->trigger();
    // Closed windows are deleted later; let that happen before the next look at the children.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline RichTextBox* activeEditor(frmMain* main) {
    frmDocument* document = main->activeDocument();
    return document ? document->rtfDocument : nullptr;
}

inline QStringList captions(frmMain* main) {
    QStringList captions;
    for (QMdiSubWindow* child : main->childForms())
        captions << child->windowTitle();
    return captions;
}

// A child window that is not a document (a browser window stands in like this).
inline QMdiSubWindow* addOtherChild(frmMain* main) {
    auto* child = new QMdiSubWindow;
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWidget(new QWidget);
    child->setWindowTitle(QStringLiteral("Böngésző"));
    main->MDIClient()->addSubWindow(child);
    child->show();
    main->MDIClient()->setActiveSubWindow(child);
    return child;
}

inline QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace DocumentTest
