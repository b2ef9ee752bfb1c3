#include "platform/FocusedValues.h"

#include <QApplication>
#include <QWindow>

namespace platform {

FocusedValues &FocusedValues::instance()
{
    static FocusedValues *values = new FocusedValues;
    return *values;
}

FocusedValues::FocusedValues()
{
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, &FocusedValues::changed);
        connect(app, &QGuiApplication::focusWindowChanged, this, &FocusedValues::changed);
    }
}

void FocusedValues::track(QWidget *window)
{
    if (m_values.contains(window))
        return;
    connect(window, &QObject::destroyed, this, [this, window] {
        m_values.remove(window);
        emit changed();
    });
}

QWidget *FocusedValues::focusedWindow() const
{
    for (QWidget *w = QApplication::activeWindow(); w; w = w->parentWidget()) {
        if (m_values.contains(w->window()))
            return w->window();
        w = w->window();
    }
    return nullptr;
}

} // namespace platform
