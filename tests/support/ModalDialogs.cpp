#include "tests/support/ModalDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

void whenModalShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto* elapsed = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && (*elapsed += 10) < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete elapsed;
        if (modal) {
            act(modal);
        } else {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                    dialog->reject();
        }
    });
    timer->start(10);
}
