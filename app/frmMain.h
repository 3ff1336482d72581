#pragma once
// The main window: a multiple-document frame with the menu bar, three toolbars, the status bar
// and the common dialog. Its handlers are spread over the subsystem folders, one file each.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>

class CommonDialog;
class QMdiArea;
class QMdiSubWindow;
class RecoveryJournal;
class StatusBar;
class ToolBar;
class frmDocument;
class frmFind;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the load sequence once (settings, first document, command-line file).
    void Load();
    // Unloads the window: stores its bounds (unless minimised) and ends the program.
    void Unload();
    void setQuitOnUnload(bool quit) { m_quitOnUnload = quit; }

    QMdiArea* MDIClient() const { return m_mdiArea; }
    // The active child window (document or browser), or nothing.
    QMdiSubWindow* ActiveForm() const;
    // The active child when it is a document window.
    frmDocument* activeDocument() const;
    // The active document, or the first one while no window has been activated yet (during the
    // load, or offscreen).
    frmDocument* activeOrFirstDocument() const;
    QList<QMdiSubWindow*> childForms() const;

    // Makes, numbers, shows and activates a new untitled document window.
    frmDocument* NewDocumentWindow();
    int documentCounter() const { return m_documentCounter; }

    // What a menu command item or a standard toolbar key runs; nullptr for an unknown name.
    using Handler = void (frmMain::*)();
    static Handler menuHandler(QStringView item);
    static Handler standardButtonHandler(QStringView key);

    QAction* menuItem(const QString& name) const { return m_menuItems.value(name); }

    ToolBar* tbStandard = nullptr;
    ToolBar* tbHTMLTags = nullptr;
    ToolBar* tbScripting = nullptr;
    StatusBar* statusBar() const { return m_statusBar; }
    CommonDialog* dlgCommonDialog = nullptr;

    // The file named on the command line, opened into the first document at start-up.
    void openAtStartup(const QString& path);
    // The link-opening sequence: a new browser window at the address.
    void openLinkWindow(const QString& address);

    // Unsaved text of windows that a program which ended without closing them left behind.
    RecoveryJournal* journal() const { return m_journal.get(); }
    // Offers it back (runs once the window is up after its load).
    void recoverDocuments();

    // The find and replace window (made at first use) and F3 / Shift+F3 on the current document.
    frmFind* findWindow();
    void findAgain(bool backwards);

    // Shared built-in browser window (one per run, reloaded after being closed).
    QPointer<QMdiSubWindow> BuiltInBrowser;

public slots:
    void mnuFileNew_Click();
    void mnuFileOpenHTML_Click();
    void mnuFileOpenTemplate_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExportToTemplate_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();

    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuEditSelectAll_Click();
    void mnuEditFind_Click();
    void mnuEditReplace_Click();

    void mnuViewStatusBar_Click();
    void mnuViewToolbarsStandard_Click();
    void mnuViewToolbarsHTMLTags_Click();
    void mnuViewToolbarsScripting_Click();

    void mnuExtrasBuiltInBrowser_Click();
    void mnuExtrasLogo_Click();
    void mnuExtrasColorHTML_Click();
    void mnuExtrasPreview_Click();

    void mnuModulesWebServer_Click();
    void mnuModulesFTPClient_Click();

    void mnuOptionsProgram_Click();

    void mnuWindowCascade_Click();
    void mnuWindowHorizontal_Click();
    void mnuWindowVertical_Click();
    void mnuWindowArrange_Click();

    void mnuHelpContents_Click();
    void mnuHelpGoToWebrix_Click();
    void mnuHelpGoToTarvco_Click();
    void mnuHelpAbout_Click();

    void tbStandard_ButtonClick(const QString& key);
    void tbHTMLTags_ButtonMenuClick(const QString& key);
    void tbScripting_ButtonMenuClick(const QString& key);

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolbars();
    void MDIForm_Load();
    void MDIForm_Unload();
    void applyToolTips(bool on);
    void applyWorkspaceColour();
    void applyBounds();
    // Exit is allowed only with no child window open; otherwise the user is told so.
    bool queryExit();
    void toggleBar(const QString& itemName, QWidget* bar);
    void updateInsertIndicator();
    // Undo and redo are enabled only while the current document has something to take back.
    void updateUndoCommands();
    void setUpAddedCommands();
    void replaceOnce();
    void replaceAll();

    QMdiArea* m_mdiArea = nullptr;
    StatusBar* m_statusBar = nullptr;
    QHash<QString, QAction*> m_menuItems;
    std::unique_ptr<RecoveryJournal> m_journal;
    int m_documentCounter = 0;
    bool m_loaded = false;
    bool m_unloading = false;
    bool m_unloaded = false;
    bool m_quitOnUnload = false;
    QPointer<frmFind> m_findWindow;
    QAction* m_findNextAction = nullptr;
    QAction* m_findPreviousAction = nullptr;
};
