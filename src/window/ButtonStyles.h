#pragma once

class QToolButton;

// The toolbar's label style: the icon above the title, the title in a small type.
struct VerticalLabelStyle {
    static void apply(QToolButton *button);
};
