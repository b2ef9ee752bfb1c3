#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <any>
#include <functional>
#include <optional>

namespace platform {

// A read-write view of a value that lives in a window: reading calls get, writing
// calls set, which writes into the publishing window's state or model.
template<typename T> struct Binding {
    std::function<T()> get;
    std::function<void(const T &)> set;
};

// Values that the active window publishes for the menus, which live outside the
// windows. A value is present only while a window that published it is active (or a
// dialog over it is); with no such window every value is absent.
class FocusedValues : public QObject {
    Q_OBJECT

public:
    static FocusedValues &instance();

    template<typename T> void publish(QWidget *window, const QString &key, Binding<T> binding)
    {
        track(window);
        m_values[window].insert(key, std::any(std::move(binding)));
        emit changed();
    }

    template<typename T> std::optional<Binding<T>> value(const QString &key) const
    {
        QWidget *window = focusedWindow();
        if (!window)
            return std::nullopt;
        const std::any found = m_values.value(window).value(key);
        if (const auto *binding = std::any_cast<Binding<T>>(&found))
            return *binding;
        return std::nullopt;
    }

    // The window that publishes values for the active window: the active window itself,
    // or the nearest window below it (a dialog's parent window).
    QWidget *focusedWindow() const;

signals:
    // The active window changed, or a window published or withdrew its values.
    void changed();

private:
    FocusedValues();
    void track(QWidget *window);

    QHash<QWidget *, QHash<QString, std::any>> m_values;
};

} // namespace platform
