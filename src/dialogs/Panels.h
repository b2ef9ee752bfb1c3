#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

struct SavePanelOptions {
    QString title;
    QString prompt;         // the confirming button's text
    QString nameFieldLabel; // the label of the name field
    bool canCreateDirectories = false;
};

// The panels are modal to the window of `parent`, or to the active window without one.

// Asks for the location of something new: the folder browsed to plus the typed name.
// Nothing when cancelled.
QCoro::Task<std::optional<QUrl>> runSavePanel(SavePanelOptions options, QWidget *parent = nullptr);

struct FolderChoice {
    std::optional<QUrl> url; // absent when cancelled or failed
    QString error;           // why the panel failed, if it did
};

// Asks for an existing folder.
QCoro::Task<FolderChoice> runFolderPanel(QWidget *parent = nullptr);

// Tests answer the panels with scripted results instead of showing them.
using SavePanelHook = std::function<std::optional<QUrl>(const SavePanelOptions &)>;
using FolderPanelHook = std::function<FolderChoice()>;
void setSavePanelHook(SavePanelHook hook);
void setFolderPanelHook(FolderPanelHook hook);

} // namespace platform
