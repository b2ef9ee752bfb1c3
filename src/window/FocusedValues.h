#pragma once

#include "dialogs/Sheet.h"
#include "model/SidebarSelection.h"
#include "window/Binding.h"

#include <QObject>
#include <QWidget>

#include <optional>
#include <unordered_map>

class RepoController;

namespace platform {

// Values that the active window publishes for the menus, which live outside the
// windows. A value is present only while a window that published it is active (or a
// dialog over it is); with no such window every value is absent.
class FocusedValues : public QObject {
    Q_OBJECT

public:
    static FocusedValues &instance();

    // The window's repository controller; the menus only read it.
    void publishRepoController(QWidget *window, Binding<RepoController *> binding);
    std::optional<Binding<RepoController *>> repoController() const;

    // The dialog the window shows; writing one presents it.
    void publishSheetToShow(QWidget *window, Binding<Sheet> binding);
    std::optional<Binding<Sheet>> sheetToShow() const;

    // What the window's change list shows.
    void publishSidebarSelection(QWidget *window, Binding<SidebarSelection> binding);
    std::optional<Binding<SidebarSelection>> sidebarSelection() const;

    // The window that publishes values for the active window: the active window itself,
    // or the nearest window below it (a dialog's parent window).
    QWidget *focusedWindow() const;

signals:
    // The active window changed, or a window published or withdrew its values.
    void changed();

private:
    struct Values {
        std::optional<Binding<RepoController *>> repoController;
        std::optional<Binding<Sheet>> sheetToShow;
        std::optional<Binding<SidebarSelection>> sidebarSelection;
    };
    template<typename T> using Entry = std::optional<Binding<T>> Values::*;

    FocusedValues();
    void track(QWidget *window);
    template<typename T> void publish(QWidget *window, Entry<T> entry, Binding<T> binding);
    template<typename T> std::optional<Binding<T>> value(Entry<T> entry) const;

    // Built in place: a copied Values trips a false uninitialized warning in GCC 12.
    std::unordered_map<QWidget *, Values> m_values;
};

} // namespace platform
