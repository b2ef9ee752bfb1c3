#include "dialogs/ModalParent.h"

#include <QApplication>
#include <QWidget>

namespace platform {

QWidget *modalParent(const QObject *context)
{
    QWidget *window = nullptr;
    for (const QObject *object = context; object && !window; object = object->parent())
        if (object->isWidgetType())
            window = static_cast<const QWidget *>(object)->window();
    QWidget *active = QApplication::activeWindow();
    // A menu's popup closes once its item is chosen: it holds nothing in front.
    if (!window || !window->isVisible() || window->windowType() == Qt::Popup)
        return active;
    for (QWidget *widget = active; widget; widget = widget->parentWidget())
        if (widget == window)
            return active;
    return window;
}

} // namespace platform
