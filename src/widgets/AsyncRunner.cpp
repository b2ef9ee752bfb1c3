#include "widgets/AsyncRunner.h"

#include "model/Alert.h"

#include <QPointer>

#include <exception>

AsyncRunner::AsyncRunner(Action action, QObject *parent)
    : QObject(parent), m_action(std::move(action))
{}

void AsyncRunner::setPerforming(bool value)
{
    m_isPerformingTask = value;
    emit stateChanged();
}

void AsyncRunner::perform()
{
    if (m_isPerformingTask)
        return;
    setPerforming(true);
    run();
}

QCoro::Task<> AsyncRunner::run()
{
    QPointer<AsyncRunner> self(this);
    // A copy, so the action outlives the control that started it.
    const Action action = m_action;
    std::optional<QString> error;
    try {
        co_await action();
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    } catch (...) {
        error = tr("An unknown error occurred.");
    }
    if (!self)
        co_return;
    // The message first, then the running flag, then the alert flag read back.
    m_errorMessage = error;
    setPerforming(false);
    m_showAlert = m_errorMessage.has_value();
    emit stateChanged();
    if (m_showAlert) {
        co_await platform::runModalAlert(tr("Error"), m_errorMessage.value_or(QString()), this);
        if (!self)
            co_return;
        m_showAlert = false;
        emit stateChanged();
    }
}
