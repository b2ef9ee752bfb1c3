#pragma once

#include <QTimer>
#include <QWidget>

// A small indeterminate progress indicator: a rotating arc.
class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_timer;
    int m_angle = 0;
};
