#include "dialogs/DialogFrame.h"

#include "widgets/AsyncButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
int defaultPadding(const QWidget *widget)
{
    return widget->style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, widget);
}
} // namespace

QLabel *makeHeadline(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit *makeTextField(const QString &title, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    // Room for a typical URL or path.
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 48);
    return field;
}

QPlainTextEdit *makeTextEditor(QWidget *parent)
{
    auto *editor = new QPlainTextEdit(parent);
    editor->setMinimumHeight(128);
    editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return editor;
}

DialogFrame::DialogFrame(const QString &prompt, const QString &actionTitle, QWidget *parent,
                         Padding padding)
    : QDialog(parent)
{
    const int pad = defaultPadding(this);
    const bool framed = padding == Padding::frame;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(framed ? QMargins() : QMargins(pad, pad, pad, pad));

    m_inputs = new QVBoxLayout;
    m_inputs->setContentsMargins(framed ? QMargins(pad, 0, pad, 0) : QMargins());
    auto *headline = makeHeadline(prompt);
    headline->setContentsMargins(framed ? QMargins(pad, pad, pad, 0) : QMargins(0, pad, 0, 0));
    layout->addWidget(headline);
    layout->addLayout(m_inputs, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(framed ? QMargins(pad, pad, pad, pad) : QMargins());
    m_cancelButton = new QPushButton(tr("Cancel"));
    // Return belongs to the action button, whichever button has the focus.
    m_cancelButton->setAutoDefault(false);
    m_actionButton = new AsyncButton(actionTitle, [this] { return action(); });
    if (auto *button = qobject_cast<QPushButton *>(m_actionButton->button())) {
        button->setAutoDefault(false);
        button->setDefault(true);
    }
    buttons->addWidget(m_cancelButton);
    buttons->addStretch(1);
    buttons->addWidget(m_actionButton);
    layout->addLayout(buttons);

    // Escape reaches QDialog::reject, which closes the dialog like "Cancel".
    connect(m_cancelButton, &QPushButton::clicked, this, &DialogFrame::dismiss);
}

void DialogFrame::addInput(QWidget *input)
{
    m_inputs->addWidget(input);
    if (!m_lastInput)
        input->setFocus();
    // The buttons were made first; the inputs come before them in the tab order.
    setTabOrder(input, m_cancelButton);
    setTabOrder(m_cancelButton, m_actionButton->button());
    m_lastInput = input;
}

void DialogFrame::dismiss()
{
    if (isVisible())
        reject();
}
