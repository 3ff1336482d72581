#pragma once
// A label that looks like a link (bold, underlined, in the highlight colour) and reports a click.
// It keeps an address beside its text; what a click does is the owner's business.

#include <QLabel>

class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    QString Address() const { return m_address; }
    void setAddress(const QString& address) { m_address = address; }

    // Places the label at its box; a caption wider than the box widens it up to maxRight, and only
    // beyond that is the font made smaller.
    void placeAt(const QRect& box, int maxRight);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_address;
    bool m_pressed = false;
};
