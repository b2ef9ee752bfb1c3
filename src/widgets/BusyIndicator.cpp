#include "widgets/BusyIndicator.h"

#include <QPainter>

BusyIndicator::BusyIndicator(QWidget *parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::WindowText), 1.5);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.drawArc(box, -m_angle * 16, 270 * 16);
}

void BusyIndicator::showEvent(QShowEvent *)
{
    m_timer.start();
}

void BusyIndicator::hideEvent(QHideEvent *)
{
    m_timer.stop();
}
