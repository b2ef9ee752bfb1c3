#include "widgets/LabelView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

LabelView::LabelView(const QString &label, const QString &value, QWidget *parent)
    : QWidget(parent), m_label(new QLabel(label)), m_value(new QLabel(value))
{
    m_label->setTextFormat(Qt::PlainText);
    m_value->setTextFormat(Qt::PlainText);
    auto *layout = new QHBoxLayout(this);
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label->setContentsMargins(padding, 0, padding, 0);
    layout->addWidget(m_label, 0, Qt::AlignVCenter);
    layout->addWidget(m_value, 1, Qt::AlignVCenter);
}

QString LabelView::label() const
{
    return m_label->text();
}
QString LabelView::value() const
{
    return m_value->text();
}

void LabelView::setValue(const QString &value)
{
    if (m_value->text() != value)
        m_value->setText(value);
}
