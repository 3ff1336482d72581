// Edit > Find and Replace, and F3 / Shift+F3, of the main window; also the tool tips of the
// commands added to the menus. Results are told in the status bar: a search that finds nothing
// is not worth a message box.

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>

#include "app/frmMain.h"
#include "controls/RichTextBox.h"
#include "controls/StatusBar.h"
#include "documents/FindReplace.h"
#include "documents/frmDocument.h"
#include "documents/frmFind.h"

namespace {
constexpr int kStatusMessageMs = 8000;
constexpr int kLongestOfferedSelection = 200;

QString quoted(const QString& text) {
    return QStringLiteral("„%1”").arg(text);
}

// Commands added to the menus later get their tool tips here; the menu shows them.
void describe(QAction* item, const QString& toolTip) {
    if (item)
        item->setToolTip(toolTip);
}
} // namespace

void frmMain::setUpAddedCommands() {
    m_findNextAction = new QAction(QStringLiteral("Következő találat"), this);
    m_findNextAction->setObjectName(QStringLiteral("actFindNext"));
    m_findNextAction->setShortcut(QKeySequence(Qt::Key_F3));
    m_findPreviousAction = new QAction(QStringLiteral("Előző találat"), this);
    m_findPreviousAction->setObjectName(QStringLiteral("actFindPrevious"));
    m_findPreviousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    for (QAction* action : {m_findNextAction, m_findPreviousAction}) {
        action->setProperty("accessibleName", action->text());
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_findNextAction, &QAction::triggered, this, [this] { findAgain(false); });
    connect(m_findPreviousAction, &QAction::triggered, this, [this] { findAgain(true); });

    describe(menuItem(QStringLiteral("mnuEditUndo")),
             QStringLiteral("Az utolsó változtatás visszavonása (Ctrl+Z)"));
    describe(menuItem(QStringLiteral("mnuEditRedo")),
             QStringLiteral("A visszavont változtatás újra (Ctrl+Y)"));
    describe(menuItem(QStringLiteral("mnuEditSelectAll")),
             QStringLiteral("A dokumentum teljes szövegének kijelölése"));
    describe(menuItem(QStringLiteral("mnuEditFind")),
             QStringLiteral("Szöveg keresése a dokumentumban (F3: következő, Shift+F3: előző)"));
    describe(menuItem(QStringLiteral("mnuEditReplace")),
             QStringLiteral("Szöveg keresése és cseréje a dokumentumban"));
    describe(menuItem(QStringLiteral("mnuExtrasPreview")),
             QStringLiteral("A dokumentum mostani szövege böngészőablakban, gépelés közben "
                            "frissítve (F5)"));
    for (const char* menu : {"mnuEdit", "mnuExtras"})
        if (auto* items = findChild<QMenu*>(QString::fromLatin1(menu)))
            items->setToolTipsVisible(true);
}

frmFind* frmMain::findWindow() {
    if (!m_findWindow) {
        m_findWindow = new frmFind(this);
        // F3 and Shift+F3 work while the find window has the focus, too.
        m_findWindow->addAction(m_findNextAction);
        m_findWindow->addAction(m_findPreviousAction);
        connect(m_findWindow, &frmFind::findNextClicked, this,
                [this] { findAgain(m_findWindow->options().backwards); });
        connect(m_findWindow, &frmFind::replaceClicked, this, &frmMain::replaceOnce);
        connect(m_findWindow, &frmFind::replaceAllClicked, this, &frmMain::replaceAll);
    }
    return m_findWindow;
}

namespace {
// A short selection on one line is what the user most likely looks for.
void offerSelection(frmFind* find, const QMdiArea* area) {
    const auto* document = qobject_cast<frmDocument*>(area->currentSubWindow());
    if (!document)
        return;
    const QString selected = document->rtfDocument->SelText();
    if (!selected.isEmpty() && selected.size() <= kLongestOfferedSelection &&
        !selected.contains(QLatin1Char('\n')) && !selected.contains(QLatin1Char('\r')))
        find->txtFind->setText(selected);
}
} // namespace

void frmMain::mnuEditFind_Click() {
    offerSelection(findWindow(), MDIClient());
    findWindow()->showFind();
}

void frmMain::mnuEditReplace_Click() {
    offerSelection(findWindow(), MDIClient());
    findWindow()->showReplace();
}

void frmMain::findAgain(bool backwards) {
    frmFind* find = findWindow();
    if (find->txtFind->text().isEmpty()) {
        find->showFind(); // nothing to look for yet: ask for it
        return;
    }
    auto* document = qobject_cast<frmDocument*>(MDIClient()->currentSubWindow());
    if (!document)
        return;
    const TextSearch search(find->options());
    if (!search.isValid()) {
        statusBar()->showMessage(search.errorString(), kStatusMessageMs);
        return;
    }
    const FindReplace::Found found =
        FindReplace::findNext(document->rtfDocument, search, backwards);
    if (!found.found)
        statusBar()->showMessage(QStringLiteral("Nem található: ") + quoted(find->txtFind->text()),
                                 kStatusMessageMs);
    else if (found.wrapped)
        statusBar()->showMessage(
            backwards ? QStringLiteral("A keresés a dokumentum végéről folytatódott.")
                      : QStringLiteral("A keresés a dokumentum elejéről folytatódott."),
            kStatusMessageMs);
    else
        statusBar()->clearMessage();
}

void frmMain::replaceOnce() {
    auto* document = qobject_cast<frmDocument*>(MDIClient()->currentSubWindow());
    if (!document)
        return;
    const TextSearch search(m_findWindow->options());
    FindReplace::replaceSelection(document->rtfDocument, search, m_findWindow->replaceWith());
    findAgain(m_findWindow->options().backwards);
}

void frmMain::replaceAll() {
    auto* document = qobject_cast<frmDocument*>(MDIClient()->currentSubWindow());
    if (!document)
        return;
    const TextSearch search(m_findWindow->options());
    if (!search.isValid()) {
        statusBar()->showMessage(search.errorString(), kStatusMessageMs);
        return;
    }
    const int count = FindReplace::replaceAll(
        document->rtfDocument, search, m_findWindow->replaceWith(), m_findWindow->selectionOnly());
    if (count == 0)
        statusBar()->showMessage(QStringLiteral("Nem található: ") +
                                     quoted(m_findWindow->txtFind->text()),
                                 kStatusMessageMs);
    else
        statusBar()->showMessage(QStringLiteral("%1 csere történt.").arg(count), kStatusMessageMs);
}
