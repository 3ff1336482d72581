#include "controls/WindowStyle.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyleOptionComplex>

const char* const WindowStyle::NoCloseBoxProperty = "noCloseBox";

namespace {
// The child window a title bar or the maximised child's buttons belong to.
const QMdiSubWindow* childWindowOf(QStyle::ComplexControl control, const QWidget* widget) {
    if (control == QStyle::CC_TitleBar)
        return qobject_cast<const QMdiSubWindow*>(widget);
    if (control == QStyle::CC_MdiControls) {
        if (const auto* area = qobject_cast<const QMdiArea*>(widget))
            return area->activeSubWindow();
    }
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
    if (hidesCloseBox(control, widget)) {
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
    const SubControl hit = QProxyStyle::hitTestComplexControl(control, option, pos, widget);
    if (hit == closeButtonOf(control) && hidesCloseBox(control, widget))
        return SC_None;
    return hit;
}

void InstallWindowStyle() {
    if (qobject_cast<WindowStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new WindowStyle(QApplication::style()->name()));
}
