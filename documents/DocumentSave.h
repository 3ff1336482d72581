#pragma once
// File > Save on one document window: shared by the menu, the toolbar and File > Close.

#include "documents/DocumentFiles.h"

class CommonDialog;
class frmDocument;

// A bound window is written to its file; an untitled one asks for a name ("Mentés") and is bound
// to it once the write succeeded. After a successful write the tags are coloured again.
SaveOutcome saveDocument(CommonDialog& dialog, frmDocument* document);
