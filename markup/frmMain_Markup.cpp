// The HTML tags and scripting toolbars and the logo command of the main window. The browser
// window is a child window too; only a document (activeDocument) takes snippets.

#include "app/frmMain.h"
#include "controls/MsgBox.h"
#include "controls/ProgramInfo.h"
#include "markup/InsertSnippetFile.h"
#include "markup/SnippetTables.h"

// Only the drop-down entries act; a press on a button's face is not handled here.
void frmMain::tbHTMLTags_ButtonMenuClick(const QString& key) {
    const QString relativePath = snippetPath(htmlTagsSnippets(), key);
    if (relativePath.isEmpty())
        return;
    InsertSnippetFile(activeDocument(), modGeneral::programFile(relativePath));
}

void frmMain::tbScripting_ButtonMenuClick(const QString& key) {
    if (key == QLatin1String(VBScriptBetaKey)) {
        MsgBox(QString::fromLatin1(NoVBScriptsMessage), vbOKOnly | vbInformation);
        return;
    }
    const QString relativePath = snippetPath(scriptingSnippets(), key);
    if (relativePath.isEmpty())
        return;
    InsertSnippetFile(activeDocument(), modGeneral::programFile(relativePath));
}

void frmMain::mnuExtrasLogo_Click() {
    InsertSnippetFile(activeDocument(), modGeneral::programFile(QString::fromLatin1(LogoSnippet)));
}
