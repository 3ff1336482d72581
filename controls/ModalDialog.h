#pragma once
// Runs a modal dialog and gives the keyboard back where it was when the dialog closes.
//
// Window managers hand the focus back to the window a dialog belonged to; a bare X server (and
// the test tools that drive the program on one) leaves it on the root window, so that keys typed
// after the dialog reach no window of the program at all.

class QDialog;

// QDialog::exec, after which the window that was active before the dialog is active again (when
// it is still shown), with its own focus widget.
int execModal(QDialog& dialog);
