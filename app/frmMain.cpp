#include "app/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStack>
#include <QTimer>

#include "app/modGeneral.h"
#include "controls/CommonDialog.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "controls/Settings.h"
#include "controls/StatusBar.h"
#include "controls/SystemMenu.h"
#include "controls/ToolBar.h"
#include "controls/Twips.h"
#include "controls/WindowArrange.h"
#include "controls/WrappingMenuBar.h"
#include "documents/RecoveryJournal.h"
#include "documents/frmDocument.h"
#include "resources/MainMenu.h"
#include "resources/SettingKeys.h"
#include "resources/Texts.h"

namespace {
// Beyond this a stored bound cannot be a real window position; the default is used instead.
constexpr double kLargestBoundTwips = 1.0e7;

QString plainCaption(QString caption) {
    caption.remove(QLatin1Char('&'));
    return caption;
}

// Every command item of the menu and the handler it runs, wired at compile time.
struct NamedHandler {
    const char* name;
    frmMain::Handler handler;
};

constexpr NamedHandler kMenuHandlers[] = {
    {"mnuFileNew", &frmMain::mnuFileNew_Click},
    {"mnuFileOpenHTML", &frmMain::mnuFileOpenHTML_Click},
    {"mnuFileOpenTemplate", &frmMain::mnuFileOpenTemplate_Click},
    {"mnuFileSave", &frmMain::mnuFileSave_Click},
    {"mnuFileSaveAs", &frmMain::mnuFileSaveAs_Click},
    {"mnuFileExportToTemplate", &frmMain::mnuFileExportToTemplate_Click},
    {"mnuFileClose", &frmMain::mnuFileClose_Click},
    {"mnuFileExit", &frmMain::mnuFileExit_Click},
    {"mnuEditCut", &frmMain::mnuEditCut_Click},
    {"mnuEditCopy", &frmMain::mnuEditCopy_Click},
    {"mnuEditPaste", &frmMain::mnuEditPaste_Click},
    {"mnuEditUndo", &frmMain::mnuEditUndo_Click},
    {"mnuEditRedo", &frmMain::mnuEditRedo_Click},
    {"mnuEditSelectAll", &frmMain::mnuEditSelectAll_Click},
    {"mnuEditFind", &frmMain::mnuEditFind_Click},
    {"mnuEditReplace", &frmMain::mnuEditReplace_Click},
    {"mnuViewStatusBar", &frmMain::mnuViewStatusBar_Click},
    {"mnuViewToolbarsStandard", &frmMain::mnuViewToolbarsStandard_Click},
    {"mnuViewToolbarsHTMLTags", &frmMain::mnuViewToolbarsHTMLTags_Click},
    {"mnuViewToolbarsScripting", &frmMain::mnuViewToolbarsScripting_Click},
    {"mnuExtrasBuiltInBrowser", &frmMain::mnuExtrasBuiltInBrowser_Click},
    {"mnuExtrasLogo", &frmMain::mnuExtrasLogo_Click},
    {"mnuExtrasColorHTML", &frmMain::mnuExtrasColorHTML_Click},
    {"mnuExtrasPreview", &frmMain::mnuExtrasPreview_Click},
    {"mnuModulesWebServer", &frmMain::mnuModulesWebServer_Click},
    {"mnuModulesFTPClient", &frmMain::mnuModulesFTPClient_Click},
    {"mnuOptionsProgram", &frmMain::mnuOptionsProgram_Click},
    {"mnuWindowCascade", &frmMain::mnuWindowCascade_Click},
    {"mnuWindowHorizontal", &frmMain::mnuWindowHorizontal_Click},
    {"mnuWindowVertical", &frmMain::mnuWindowVertical_Click},
    {"mnuWindowArrange", &frmMain::mnuWindowArrange_Click},
    {"mnuHelpContents", &frmMain::mnuHelpContents_Click},
    {"mnuHelpGoToWebrix", &frmMain::mnuHelpGoToWebrix_Click},
    {"mnuHelpGoToTarvco", &frmMain::mnuHelpGoToTarvco_Click},
    {"mnuHelpAbout", &frmMain::mnuHelpAbout_Click},
};

// The standard toolbar's keys; a button does what its menu command does.
constexpr NamedHandler kStandardButtonHandlers[] = {
    {"New", &frmMain::mnuFileNew_Click},       {"Open", &frmMain::mnuFileOpenHTML_Click},
    {"Save", &frmMain::mnuFileSave_Click},     {"Cut", &frmMain::mnuEditCut_Click},
    {"Copy", &frmMain::mnuEditCopy_Click},     {"Paste", &frmMain::mnuEditPaste_Click},
    {"Help", &frmMain::mnuHelpContents_Click},
};

template <std::size_t N>
frmMain::Handler findHandler(const NamedHandler (&table)[N], QStringView name) {
    for (const NamedHandler& entry : table)
        if (name == QLatin1String(entry.name))
            return entry.handler;
    return nullptr;
}

double readBound(const SettingKey& setting) {
    const double defaultValue = setting.defaultValue.toDouble();
    const auto value = parseNumber(GetSetting(modGeneral::appName(), setting));
    if (!value || std::abs(*value) > kLargestBoundTwips)
        return defaultValue;
    return double(float(*value)); // stored as single precision
}
} // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent), m_journal(std::make_unique<RecoveryJournal>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Texts::AppTitle);
    setAccessibleName(Texts::AppTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/webrix-32.png")));

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("MDIClient"));
    m_mdiArea->setAccessibleName(QStringLiteral("Dokumentumok"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::updateInsertIndicator);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::updateUndoCommands);

    dlgCommonDialog = new CommonDialog(this);

    // Every menu title stays in sight; the bars are shown and hidden through Nézet only (no
    // right-click list of bars that would leave its check marks behind).
    setMenuBar(new WrappingMenuBar(this));
    setContextMenuPolicy(Qt::PreventContextMenu);
    buildMenus();
    updateUndoCommands();
    setUpAddedCommands();
    buildToolbars();
    m_statusBar = new StatusBar(this);
    setStatusBar(m_statusBar);
}

frmMain::~frmMain() {
    // QWidget's destructor hides the child windows, and the MDI area then reports an activation
    // change. By that time this object is no longer a frmMain, so no child may reach it any more.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    if (modGeneral::mainWindow() == this)
        modGeneral::setMainWindow(nullptr);
}

frmMain::Handler frmMain::menuHandler(QStringView item) {
    return findHandler(kMenuHandlers, item);
}

frmMain::Handler frmMain::standardButtonHandler(QStringView key) {
    return findHandler(kStandardButtonHandlers, key);
}

void frmMain::tbStandard_ButtonClick(const QString& key) {
    if (const Handler handler = standardButtonHandler(key))
        (this->*handler)();
}

// --- Layout ------------------------------------------------------------------------------------

void frmMain::buildMenus() {
    QStack<QMenu*> open;
    const auto& items = mainMenuDefinition();
    QList<QKeySequence> shortcuts;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItemDefinition& item = items[i];
        while (open.size() > item.level)
            open.pop();
        const QString caption = QString::fromUtf8(item.caption);
        const bool hasChildren = i + 1 < items.size() && items[i + 1].level > item.level;

        if (!item.name) {
            open.top()->addSeparator();
            continue;
        }
        const QString name = QString::fromLatin1(item.name);
        QAction* action;
        if (hasChildren) {
            QMenu* menu =
                item.level == 0 ? menuBar()->addMenu(caption) : open.top()->addMenu(caption);
            menu->setObjectName(name);
            menu->setAccessibleName(plainCaption(caption));
            action = menu->menuAction();
            open.push(menu);
        } else {
            action = open.top()->addAction(caption);
            const Handler handler = menuHandler(name);
            if (item.checkable) {
                action->setCheckable(true);
                action->setChecked(item.checkedAtStart);
                // The handler inverts the check mark itself; undo Qt's own toggle first.
                connect(action, &QAction::triggered, this, [this, action, handler] {
                    action->setChecked(!action->isChecked());
                    if (handler)
                        (this->*handler)();
                });
            } else if (handler) {
                connect(action, &QAction::triggered, this, handler);
            }
        }
        action->setObjectName(name);
        action->setProperty("accessibleName", plainCaption(caption));
        if (item.shortcut) {
            const QKeySequence key(QString::fromLatin1(item.shortcut));
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
            shortcuts << key;
        }
        m_menuItems.insert(name, action);
    }
    RichTextBox::setReservedShortcuts(shortcuts);
}

void frmMain::buildToolbars() {
    tbStandard = new ToolBar(QStringLiteral("tbStandard"), QStringLiteral("Standard"), this);
    tbStandard->setIconSize(QSize(16, 15));
    for (const ToolButtonDefinition& def : standardToolbarDefinition()) {
        if (!def.key) {
            tbStandard->addSeparator();
            continue;
        }
        QAction* button = tbStandard->addPictureButton(QString::fromLatin1(def.key),
                                                       QIcon(QString::fromLatin1(def.icon)),
                                                       QString::fromUtf8(def.meaning));
        ToolBar::setToolTipText(button, QString::fromUtf8(def.toolTip));
    }
    connect(tbStandard, &ToolBar::ButtonClick, this, &frmMain::tbStandard_ButtonClick);

    auto buildDropDowns = [this](ToolBar* bar, const std::vector<DropDownButtonDefinition>& defs) {
        int index = 1;
        for (const DropDownButtonDefinition& def : defs) {
            QAction* button = bar->addDropDownButton(QString::fromUtf8(def.caption),
                                                     bar->objectName() + QStringLiteral("Button") +
                                                         QString::number(index++));
            ToolBar::setToolTipText(button, QString::fromUtf8(def.layoutToolTip));
            for (const ButtonMenuDefinition& entry : def.entries)
                bar->addButtonMenu(button, QString::fromUtf8(entry.text),
                                   QString::fromUtf8(entry.key));
        }
    };
    tbHTMLTags = new ToolBar(QStringLiteral("tbHTMLTags"), QStringLiteral("HTML elemek"), this);
    buildDropDowns(tbHTMLTags, htmlTagsToolbarDefinition());
    connect(tbHTMLTags, &ToolBar::ButtonMenuClick, this, &frmMain::tbHTMLTags_ButtonMenuClick);

    tbScripting = new ToolBar(QStringLiteral("tbScripting"), QStringLiteral("Szkriptek"), this);
    buildDropDowns(tbScripting, scriptingToolbarDefinition());
    connect(tbScripting, &ToolBar::ButtonMenuClick, this, &frmMain::tbScripting_ButtonMenuClick);

    // Stacked top to bottom in this order.
    addToolBar(Qt::TopToolBarArea, tbStandard);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, tbHTMLTags);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, tbScripting);
    tbHTMLTags->hide();
    tbScripting->hide();
}

// --- Load and unload ---------------------------------------------------------------------------

void frmMain::Load() {
    if (m_loaded)
        return;
    m_loaded = true;
    MDIForm_Load();
    QTimer::singleShot(0, this, &frmMain::recoverDocuments);
}

void frmMain::MDIForm_Load() {
    const QString argument = modGeneral::commandLine();
    applyWorkspaceColour();
    modGeneral::setHelpFile(modGeneral::programFile(QStringLiteral("\\help\\wbxhelp.chm")));

    const QString toolTip = GetSetting(modGeneral::appName(), SettingKeys::ToolTip);
    applyToolTips(parseInt16(toolTip).value_or(1) != 0);

    applyBounds();
    frmDocument* first = NewDocumentWindow();

    if (!argument.isEmpty() && QFileInfo(argument).isFile()) {
        // The splash is still on top: a message about the file waits until this window is up.
        const MsgBoxDeferral untilShown(this);
        openAtStartup(argument);
    } else if (argument.isEmpty() && first) {
        first->setUnchanged(true);
    }

    RemoveCloseCommand(this);
}

void frmMain::applyWorkspaceColour() {
    const auto number = parseInt32(GetSetting(modGeneral::appName(), SettingKeys::BgColor));
    std::optional<QColor> colour;
    if (number)
        colour = colorFromVB(quint32(*number), palette());
    if (!colour)
        colour = colorFromVB(SettingKeys::BgColor.defaultValue.toUInt(), palette());
    m_mdiArea->setBackground(QBrush(*colour));
}

void frmMain::applyToolTips(bool on) {
    const auto& standard = standardToolbarDefinition();
    int index = 1;
    for (const ToolButtonDefinition& def : standard) {
        if (!def.key)
            continue;
        ToolBar::setToolTipText(tbStandard->Button(index++),
                                on ? QString::fromUtf8(def.toolTip) : QString());
    }
    auto apply = [on](ToolBar* bar, const std::vector<DropDownButtonDefinition>& defs) {
        int i = 1;
        for (const DropDownButtonDefinition& def : defs)
            ToolBar::setToolTipText(bar->Button(i++),
                                    on ? QString::fromUtf8(def.toolTip) : QString());
    };
    apply(tbHTMLTags, htmlTagsToolbarDefinition());
    apply(tbScripting, scriptingToolbarDefinition());
}

void frmMain::applyBounds() {
    // Used as stored, also off the visible desktop.
    const double left = readBound(SettingKeys::MainLeft);
    const double top = readBound(SettingKeys::MainTop);
    const double width = readBound(SettingKeys::MainWidth);
    const double height = readBound(SettingKeys::MainHeight);
    move(twipsToPixelsX(left), twipsToPixelsY(top));
    // No larger than the screens can show: the window system would allocate a stored size of
    // millions of twips in full.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableVirtualGeometry().size() : QSize(4096, 4096);
    resize(std::clamp(twipsToPixelsX(width), 1, qMax(1, room.width())),
           std::clamp(twipsToPixelsY(height), 1, qMax(1, room.height())));
}

void frmMain::Unload() {
    if (m_unloaded)
        return;
    m_unloading = true;
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_unloaded) {
        event->accept();
        return;
    }
    // The window system's own close request (Alt+F4, logging out) is File > Exit.
    if (!m_unloading && !queryExit()) {
        event->ignore();
        return;
    }
    m_unloading = false;
    MDIForm_Unload();
    m_journal->endSession();
    m_unloaded = true;
    event->accept();
    emit unloaded();
    if (m_quitOnUnload)
        QCoreApplication::quit();
}

void frmMain::MDIForm_Unload() {
    if (isMinimized())
        return;
    const QString app = modGeneral::appName();
    const QPoint position = pos();
    SaveSetting(app, SettingKeys::MainLeft, formatSingle(float(pixelsToTwipsX(position.x()))));
    SaveSetting(app, SettingKeys::MainTop, formatSingle(float(pixelsToTwipsY(position.y()))));
    SaveSetting(app, SettingKeys::MainWidth, formatSingle(float(pixelsToTwipsX(width()))));
    SaveSetting(app, SettingKeys::MainHeight, formatSingle(float(pixelsToTwipsY(height()))));
}

// --- Child windows -----------------------------------------------------------------------------

QMdiSubWindow* frmMain::ActiveForm() const {
    return m_mdiArea->activeSubWindow();
}

frmDocument* frmMain::activeDocument() const {
    return qobject_cast<frmDocument*>(ActiveForm());
}

frmDocument* frmMain::activeOrFirstDocument() const {
    if (frmDocument* active = activeDocument())
        return active;
    for (QMdiSubWindow* child : childForms())
        if (auto* document = qobject_cast<frmDocument*>(child))
            return document;
    return nullptr;
}

QList<QMdiSubWindow*> frmMain::childForms() const {
    return m_mdiArea->subWindowList();
}

frmDocument* frmMain::NewDocumentWindow() {
    ++m_documentCounter;
    auto* document = new frmDocument;
    document->setCaption(QStringLiteral("Dokumentum ") + QString::number(m_documentCounter));
    m_mdiArea->addSubWindow(document);
    document->show();
    m_mdiArea->setActiveSubWindow(document);
    document->rtfDocument->setFocus();
    connect(document->rtfDocument, &RichTextBox::insertModeChanged, this,
            &frmMain::updateInsertIndicator);
    document->setUnchanged(true);
    m_journal->watch(document);
    return document;
}

void frmMain::updateInsertIndicator() {
    const frmDocument* document = activeDocument();
    m_statusBar->setInsertMode(!document || !document->rtfDocument->overwriteMode());
}

// --- File > New, View and Window menus ----------------------------------------------------------

void frmMain::mnuFileNew_Click() {
    NewDocumentWindow();
}

void frmMain::toggleBar(const QString& itemName, QWidget* bar) {
    QAction* item = menuItem(itemName);
    item->setChecked(!item->isChecked());
    bar->setVisible(item->isChecked());
}

void frmMain::mnuViewStatusBar_Click() {
    toggleBar(QStringLiteral("mnuViewStatusBar"), m_statusBar);
}
void frmMain::mnuViewToolbarsStandard_Click() {
    toggleBar(QStringLiteral("mnuViewToolbarsStandard"), tbStandard);
}
void frmMain::mnuViewToolbarsHTMLTags_Click() {
    toggleBar(QStringLiteral("mnuViewToolbarsHTMLTags"), tbHTMLTags);
}
void frmMain::mnuViewToolbarsScripting_Click() {
    toggleBar(QStringLiteral("mnuViewToolbarsScripting"), tbScripting);
}

void frmMain::mnuWindowCascade_Click() {
    Arrange(m_mdiArea, ArrangeMode::Cascade);
}
void frmMain::mnuWindowHorizontal_Click() {
    Arrange(m_mdiArea, ArrangeMode::TileHorizontal);
}
void frmMain::mnuWindowVertical_Click() {
    Arrange(m_mdiArea, ArrangeMode::TileVertical);
}
void frmMain::mnuWindowArrange_Click() {
    Arrange(m_mdiArea, ArrangeMode::ArrangeIcons);
}
