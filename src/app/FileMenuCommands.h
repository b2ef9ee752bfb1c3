#pragma once

#include <QCoro/QCoroTask>
#include <QObject>

class QAction;
class QUrl;

// "New Repository": creates a repository in a folder chosen in a save panel and opens a
// window for it.
class NewRepoView : public QObject {
    Q_OBJECT

public:
    explicit NewRepoView(QObject *parent = nullptr);
    QAction *item() const { return m_item; }

private:
    static QCoro::Task<> createRepository();

    QAction *m_item;
};

// "Open Repository": opens a window for a chosen folder that holds a repository.
class OpenRepoView : public QObject {
    Q_OBJECT

public:
    explicit OpenRepoView(QObject *parent = nullptr);
    QAction *item() const { return m_item; }

private:
    static QCoro::Task<> chooseFolder();

    QAction *m_item;
};
