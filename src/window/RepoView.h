#pragma once

#include <QMainWindow>

class RepoController;

// The root of every repository window.
class RepoView : public QMainWindow {
    Q_OBJECT

public:
    explicit RepoView(RepoController *controller, QWidget *parent = nullptr);
    RepoController *controller() const { return m_controller; }

private:
    RepoController *m_controller;
};
