#include "controls/WindowStyle.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyleOptionComplex>

const char* const WindowStyle::NoCloseBoxProperty = "noCloseBox";

namespace {
const QMdiSubWindow* maximisedChildOf(const QMdiArea* area) {
    if (QMdiSubWindow* current = area->currentSubWindow(); current && current->isMaximized())
        return current;
    for (QMdiSubWindow* child : area->subWindowList())
        if (child->isMaximized() && child->isVisible())
            return child;
    return nullptr;
}

// The child window a title bar or the maximised child's buttons belong to. The buttons at the
// menu bar's corner name their document area only if the child already sat in it when the
// buttons were made, which the program's windows do not; then the window they are drawn in
// tells, or (for their size and hit test, which name no widget) the program's only main window.
const QMdiSubWindow* childWindowOf(QStyle::ComplexControl control, const QWidget* widget) {
    if (control == QStyle::CC_TitleBar)
        return qobject_cast<const QMdiSubWindow*>(widget);
    if (control != QStyle::CC_MdiControls)
        return nullptr;
    if (const auto* area = qobject_cast<const QMdiArea*>(widget))
        return maximisedChildOf(area);
    const QWidgetList windows =
        widget ? QWidgetList{widget->window()} : QApplication::topLevelWidgets();
    for (const QWidget* window : windows)
        for (const QMdiArea* area : window->findChildren<QMdiArea*>())
            if (const QMdiSubWindow* child = maximisedChildOf(area))
                return child;
    return nullptr;
}

QStyle::SubControl closeButtonOf(QStyle::ComplexControl control) {
    return control == QStyle::CC_TitleBar ? QStyle::SC_TitleBarCloseButton
                                          : QStyle::SC_MdiCloseButton;
}

bool hidesCloseBox(QStyle::ComplexControl control, const QWidget* widget) {
    const QMdiSubWindow* child = childWindowOf(control, widget);
    return child && child->property(WindowStyle::NoCloseBoxProperty).toBool();
}
} // namespace

void WindowStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    const QWidget* drawnOn = widget;
    if (!drawnOn && painter && painter->device() &&
        painter->device()->devType() == QInternal::Widget)
        drawnOn = static_cast<const QWidget*>(painter->device());
    if (hidesCloseBox(control, drawnOn)) {
        if (const auto* titleBar = qstyleoption_cast<const QStyleOptionTitleBar*>(option)) {
            QStyleOptionTitleBar copy(*titleBar);
            copy.subControls &= ~closeButtonOf(control);
            copy.activeSubControls &= ~closeButtonOf(control);
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            return;
        }
        QStyleOptionComplex copy(*option);
        copy.subControls &= ~closeButtonOf(control);
        copy.activeSubControls &= ~closeButtonOf(control);
        QProxyStyle::drawComplexControl(control, &copy, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QStyle::SubControl WindowStyle::hitTestComplexControl(ComplexControl control,
                                                      const QStyleOptionComplex* option,
                                                      const QPoint& pos,
                                                      const QWidget* widget) const {
    if (control == CC_MdiControls && hidesCloseBox(control, widget)) {
        // The remaining buttons sit where they are drawn, without the close button's place.
        QStyleOptionComplex copy(*option);
        copy.subControls &= ~SC_MdiCloseButton;
        return QProxyStyle::hitTestComplexControl(control, &copy, pos, widget);
    }
    const SubControl hit = QProxyStyle::hitTestComplexControl(control, option, pos, widget);
    if (hit == closeButtonOf(control) && hidesCloseBox(control, widget))
        return SC_None;
    return hit;
}

QSize WindowStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    if (type == CT_MdiControls && hidesCloseBox(CC_MdiControls, widget)) {
        if (const auto* complex = qstyleoption_cast<const QStyleOptionComplex*>(option)) {
            QStyleOptionComplex copy(*complex);
            copy.subControls &= ~SC_MdiCloseButton;
            return QProxyStyle::sizeFromContents(type, &copy, size, widget);
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void installWindowStyle() {
    if (qobject_cast<WindowStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new WindowStyle(QApplication::style()->name()));
}
