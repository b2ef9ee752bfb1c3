#pragma once

#include <QSize>

class QToolButton;
class QWidget;

// The toolbar's label style: the icon above the title, the title in a small type.
struct VerticalLabelStyle {
    static void apply(QToolButton *button);
    // One icon size for every control of the style, whatever holds it.
    static QSize iconSize(const QWidget *widget);
};
