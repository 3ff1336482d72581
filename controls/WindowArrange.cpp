#include "controls/WindowArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
QList<QMdiSubWindow*> windowsToTile(QMdiArea* area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        if (window->isMaximized())
            window->showNormal();
        windows << window;
    }
    return windows;
}

void tile(QMdiArea* area, bool horizontal) {
    const QList<QMdiSubWindow*> windows = windowsToTile(area);
    if (windows.isEmpty())
        return;
    const QRect room = area->viewport()->rect();
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        QRect place;
        if (horizontal) {
            const int top = room.height() * i / count;
            const int bottom = room.height() * (i + 1) / count;
            place = QRect(0, top, room.width(), bottom - top);
        } else {
            const int left = room.width() * i / count;
            const int right = room.width() * (i + 1) / count;
            place = QRect(left, 0, right - left, room.height());
        }
        windows[i]->setGeometry(place);
    }
}

void arrangeIcons(QMdiArea* area) {
    const QRect room = area->viewport()->rect();
    int x = 0;
    int y = room.bottom() + 1;
    for (QMdiSubWindow* window : area->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > room.width()) {
            x = 0;
            y -= size.height();
        }
        window->move(x, y - size.height());
        x += size.width();
    }
}
} // namespace

void Arrange(QMdiArea* area, ArrangeMode mode) {
    switch (mode) {
    case ArrangeMode::Cascade:
        area->cascadeSubWindows();
        break;
    case ArrangeMode::TileHorizontal:
        tile(area, true);
        break;
    case ArrangeMode::TileVertical:
        tile(area, false);
        break;
    case ArrangeMode::ArrangeIcons:
        arrangeIcons(area);
        break;
    }
}
