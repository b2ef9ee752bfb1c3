#pragma once

#include <QWidget>

class QLabel;

// A caption and a value side by side; both shown as the plain text they are.
class LabelView : public QWidget {
    Q_OBJECT

public:
    explicit LabelView(const QString &label, const QString &value = QString(),
                       QWidget *parent = nullptr);

    QString label() const;
    QString value() const;
    void setValue(const QString &value);

    QLabel *labelWidget() const { return m_label; }
    QLabel *valueWidget() const { return m_value; }

private:
    QLabel *m_label;
    QLabel *m_value;
};
