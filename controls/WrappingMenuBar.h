#pragma once
// A menu bar that, when its window is too narrow for all its titles, goes on in further rows (as
// the platform's menu bar does) instead of hiding the last titles behind an arrow button.
//
// The first row is the ordinary menu bar's; the titles it cannot fit are drawn, hit and popped
// up from the rows below it, so the keyboard (Alt+letter, arrow keys) and the mouse reach every
// title the same way.

#include <QHash>
#include <QMenuBar>

class QToolButton;

class WrappingMenuBar : public QMenuBar {
    Q_OBJECT
public:
    explicit WrappingMenuBar(QWidget* parent = nullptr);

    // Where a top-level title is shown now, in whichever row (actionGeometry() knows the first
    // row only).
    QRect titleRect(QAction* action) const;
    int rowCount() const;

    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Rows {
        QHash<QAction*, QRect> wrapped; // titles below the first row, with their places
        int count = 1;
        int height = 0; // of one row
    };
    Rows rowsFor(int width) const;
    QAction* wrappedTitleAt(const QPoint& pos) const;
    bool popupOpen() const;
    QToolButton* extensionButton() const;

    int m_rows = 1;
};
