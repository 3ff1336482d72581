#pragma once
// Takes the Close command (and the separator above it) out of a window's system menu, which also
// takes away its close box.

class QMdiSubWindow;
class QWidget;

void RemoveCloseCommand(QWidget* window);

// A child window that keeps its Close command closes with Ctrl+F4 only: the platform also gives
// it Ctrl+W, which belongs to the main menu (Modulok > Web szerver).
void limitCloseShortcut(QMdiSubWindow* child);
