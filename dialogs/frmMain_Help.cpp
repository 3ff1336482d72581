// Help > Contents and the home-page entries of the main window.

#include "app/frmMain.h"
#include "controls/MsgBox.h"
#include "resources/Texts.h"

void frmMain::mnuHelpContents_Click() {
    // The help file is set at start but there is no help for this version yet.
    MsgBox(QStringLiteral("Ehhez a verzióhoz még nem készült el a Súgó! Ha bármilyen kérdésed "
                          "lenne, látogass el a Webrix honlpra!"),
           vbOKOnly | vbExclamation, QStringLiteral("HIBA"));
}

void frmMain::mnuHelpGoToWebrix_Click() {
    openLinkWindow(Texts::ProductHomePageAddress);
}
void frmMain::mnuHelpGoToTarvco_Click() {
    openLinkWindow(Texts::MakerHomePageAddress);
}
