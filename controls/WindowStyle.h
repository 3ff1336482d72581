#pragma once
// The program's style: the platform's own, except that child windows whose Close command was
// removed draw no close box (Qt always gives child windows a system menu, and with it the box),
// neither on their title bar nor, maximised, at the corner of the main window's menu bar.

#include <QProxyStyle>

class WindowStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    static const char* const NoCloseBoxProperty;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& pos,
                                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
};

// Installs the style over the application's current one.
void installWindowStyle();
