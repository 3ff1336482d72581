#pragma once
// The Window menu's arrangements of the child windows.

class QMdiArea;

enum class ArrangeMode {
    Cascade = 0,
    TileHorizontal = 1, // stacked one above the other, each full width
    TileVertical = 2,   // side by side, each full height
    ArrangeIcons = 3,   // minimised windows in a row along the bottom
};

void Arrange(QMdiArea* area, ArrangeMode mode);
