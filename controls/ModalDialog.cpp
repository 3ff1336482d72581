#include "controls/ModalDialog.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

int execModal(QDialog& dialog) {
    const QPointer<QWidget> window = QApplication::activeWindow();
    const int result = dialog.exec();
    if (window && window != &dialog && window->isVisible() && !window->isActiveWindow())
        window->activateWindow();
    return result;
}
