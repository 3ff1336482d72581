#pragma once
// Takes the Close command (and the separator above it) out of a window's system menu, which also
// takes away its close box.

class QWidget;

void RemoveCloseCommand(QWidget* window);
