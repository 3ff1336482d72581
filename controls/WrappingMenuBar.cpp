#include "controls/WrappingMenuBar.h"

#include <QActionEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolButton>

WrappingMenuBar::WrappingMenuBar(QWidget* parent) : QMenuBar(parent) {
    setObjectName(QStringLiteral("MenuBar"));
    setAccessibleName(QStringLiteral("Menüsor"));
    // The rows below take the place of the arrow button and its list of hidden titles.
    if (QToolButton* extension = extensionButton())
        extension->setMaximumSize(0, 0);
    connect(this, &QMenuBar::hovered, this, qOverload<>(&QWidget::update));
}

QToolButton* WrappingMenuBar::extensionButton() const {
    return findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"),
                                   Qt::FindDirectChildrenOnly);
}

WrappingMenuBar::Rows WrappingMenuBar::rowsFor(int width) const {
    Rows rows;
    if (width <= 0)
        return rows;
    const int frame = style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    const int margin = style()->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, this);
    const int spacing = style()->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, this);

    // The first row holds what the menu bar itself shows: the titles that lie wholly between
    // the corner widgets, less the arrow button's room once anything is left over.
    int firstLeft = frame;
    int firstRight = width - 1 - frame;
    if (const QWidget* corner = cornerWidget(Qt::TopLeftCorner); corner && corner->isVisible())
        firstLeft += corner->sizeHint().width();
    if (const QWidget* corner = cornerWidget(Qt::TopRightCorner); corner && corner->isVisible())
        firstRight -= corner->sizeHint().width();

    QList<QAction*> titles;
    bool overflow = false;
    for (QAction* action : actions()) {
        const QRect place = actionGeometry(action);
        if (action->isSeparator() || place.isNull())
            continue;
        titles << action;
        rows.height = qMax(rows.height, place.height());
        overflow = overflow || place.left() < firstLeft || place.right() > firstRight;
    }
    if (!overflow)
        return rows;
    if (const QToolButton* extension = extensionButton())
        firstRight -= extension->sizeHint().width();

    // The lower rows line up with the first title (to the right of a maximised child's icon).
    const int start = qMax(frame + margin + spacing, actionGeometry(titles.first()).left());
    int x = start;
    for (QAction* action : std::as_const(titles)) {
        const QRect place = actionGeometry(action);
        if (place.left() >= firstLeft && place.right() <= firstRight)
            continue;
        if (x > start && x + place.width() > width - frame) {
            ++rows.count;
            x = start;
        }
        if (rows.count == 1)
            rows.count = 2;
        rows.wrapped.insert(action, QRect(x, place.top() + (rows.count - 1) * rows.height,
                                          place.width(), place.height()));
        x += place.width() + spacing;
    }
    return rows;
}

QRect WrappingMenuBar::titleRect(QAction* action) const {
    const Rows rows = rowsFor(width());
    return rows.wrapped.value(action, actionGeometry(action));
}

int WrappingMenuBar::rowCount() const {
    return rowsFor(width()).count;
}

int WrappingMenuBar::heightForWidth(int width) const {
    const int oneRow = QMenuBar::heightForWidth(width);
    const Rows rows = rowsFor(width);
    return oneRow + (rows.count - 1) * rows.height;
}

void WrappingMenuBar::resizeEvent(QResizeEvent* event) {
    QMenuBar::resizeEvent(event);
    const int rows = rowsFor(width()).count;
    if (rows != m_rows) {
        m_rows = rows;
        updateGeometry(); // the window gives the bar the height of its rows
    }
    update();
}

void WrappingMenuBar::actionEvent(QActionEvent* event) {
    QMenuBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded) {
        if (QMenu* menu = event->action()->menu())
            menu->installEventFilter(this);
    } else if (event->type() == QEvent::ActionRemoved) {
        if (QMenu* menu = event->action()->menu())
            menu->removeEventFilter(this);
    }
    updateGeometry();
    update();
}

void WrappingMenuBar::paintEvent(QPaintEvent* event) {
    QMenuBar::paintEvent(event);
    const Rows rows = rowsFor(width());
    if (rows.wrapped.isEmpty())
        return;
    QPainter painter(this);
    for (auto it = rows.wrapped.cbegin(); it != rows.wrapped.cend(); ++it) {
        QStyleOptionMenuItem option;
        initStyleOption(&option, it.key());
        option.rect = it.value();
        painter.setClipRect(it.value());
        style()->drawControl(QStyle::CE_MenuBarItem, &option, &painter, this);
    }
}

QAction* WrappingMenuBar::wrappedTitleAt(const QPoint& pos) const {
    const Rows rows = rowsFor(width());
    for (auto it = rows.wrapped.cbegin(); it != rows.wrapped.cend(); ++it)
        if (it.value().contains(pos))
            return it.key();
    return nullptr;
}

bool WrappingMenuBar::popupOpen() const {
    const QAction* active = activeAction();
    return active && active->menu() && active->menu()->isVisible();
}

void WrappingMenuBar::mousePressEvent(QMouseEvent* event) {
    QAction* title = wrappedTitleAt(event->position().toPoint());
    if (!title) {
        QMenuBar::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || !title->isEnabled())
        return;
    if (title == activeAction() && popupOpen())
        title->menu()->hide(); // a second click closes the menu, as in the first row
    else
        setActiveAction(title);
    update();
}

void WrappingMenuBar::mouseMoveEvent(QMouseEvent* event) {
    QAction* title = wrappedTitleAt(event->position().toPoint());
    if (!title) {
        QMenuBar::mouseMoveEvent(event);
        return;
    }
    // With a menu open, pointing at another title opens that one instead.
    if (title != activeAction() && popupOpen() && title->isEnabled()) {
        setActiveAction(title);
        update();
    }
}

void WrappingMenuBar::mouseReleaseEvent(QMouseEvent* event) {
    // The press has opened the menu already; the first row's release would close it again.
    if (!wrappedTitleAt(event->position().toPoint()))
        QMenuBar::mouseReleaseEvent(event);
}

bool WrappingMenuBar::event(QEvent* event) {
    const bool result = QMenuBar::event(event);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::Shortcut:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Leave:
        // The first row repaints only its own titles' places.
        if (m_rows > 1)
            update();
        break;
    default:
        break;
    }
    return result;
}

bool WrappingMenuBar::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        update();
    if (menu && event->type() == QEvent::Show && menu->menuAction() == activeAction()) {
        const QRect title = rowsFor(width()).wrapped.value(menu->menuAction());
        if (!title.isNull()) {
            // Dropped below its title in the lower row, or above it where the screen ends.
            QPoint place = mapToGlobal(title.bottomLeft() + QPoint(0, 1));
            const QScreen* screen = this->screen();
            if (screen && place.y() + menu->height() > screen->availableGeometry().bottom()) {
                const int above = mapToGlobal(title.topLeft()).y() - menu->height();
                if (above >= screen->availableGeometry().top())
                    place.setY(above);
            }
            if (screen)
                place.setX(qMin(place.x(), screen->availableGeometry().right() - menu->width()));
            menu->move(place);
        }
    }
    return QMenuBar::eventFilter(watched, event);
}
