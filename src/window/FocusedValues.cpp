#include "window/FocusedValues.h"

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
        m_values.erase(window);
        emit changed();
    });
}

template<typename T>
void FocusedValues::publish(QWidget *window, Entry<T> entry, Binding<T> binding)
{
    track(window);
    m_values[window].*entry = std::move(binding);
    emit changed();
}

template<typename T> std::optional<Binding<T>> FocusedValues::value(Entry<T> entry) const
{
    QWidget *window = focusedWindow();
    if (!window)
        return std::nullopt;
    const auto found = m_values.find(window);
    return found == m_values.end() ? std::nullopt : found->second.*entry;
}

void FocusedValues::publishRepoController(QWidget *window, Binding<RepoController *> binding)
{
    publish(window, &Values::repoController, std::move(binding));
}

std::optional<Binding<RepoController *>> FocusedValues::repoController() const
{
    return value(&Values::repoController);
}

void FocusedValues::publishSheetToShow(QWidget *window, Binding<Sheet> binding)
{
    publish(window, &Values::sheetToShow, std::move(binding));
}

std::optional<Binding<Sheet>> FocusedValues::sheetToShow() const
{
    return value(&Values::sheetToShow);
}

void FocusedValues::publishSidebarSelection(QWidget *window, Binding<SidebarSelection> binding)
{
    publish(window, &Values::sidebarSelection, std::move(binding));
}

std::optional<Binding<SidebarSelection>> FocusedValues::sidebarSelection() const
{
    return value(&Values::sidebarSelection);
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
