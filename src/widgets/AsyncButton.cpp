#include "widgets/AsyncButton.h"

#include "widgets/BusyIndicator.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>

AsyncButton::AsyncButton(const QString &label, AsyncRunner::Action action, QWidget *parent,
                         QAbstractButton *button)
    : QWidget(parent), m_runner(new AsyncRunner(std::move(action), this)),
      m_button(button ? button : new QPushButton), m_indicator(new BusyIndicator)
{
    m_button->setText(label);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_indicator);
    layout->addWidget(m_button);
    m_indicator->hide();
    setFocusProxy(m_button);

    connect(m_button, &QAbstractButton::clicked, m_runner, &AsyncRunner::perform);
    connect(m_runner, &AsyncRunner::stateChanged, this, &AsyncButton::updateState);
}

void AsyncButton::updateState()
{
    const bool running = m_runner->isPerformingTask();
    m_button->setEnabled(!running);
    m_indicator->setVisible(running);
}

AsyncMenuAction::AsyncMenuAction(QAction *action, AsyncRunner::Action work)
    : QObject(action), m_action(action), m_runner(new AsyncRunner(std::move(work), this))
{
    connect(action, &QAction::triggered, m_runner, &AsyncRunner::perform);
    connect(m_runner, &AsyncRunner::stateChanged, this, &AsyncMenuAction::updateState);
}

void AsyncMenuAction::setAvailable(bool available)
{
    m_available = available;
    updateState();
}

void AsyncMenuAction::updateState()
{
    m_action->setEnabled(m_available && !m_runner->isPerformingTask());
}
