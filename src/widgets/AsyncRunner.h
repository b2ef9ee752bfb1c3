#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The logic behind every control whose action is asynchronous and may fail: it is busy
// while its action runs, ignores presses meanwhile, and reports a thrown error in an
// alert titled "Error".
class AsyncRunner : public QObject {
    Q_OBJECT

public:
    using Action = std::function<QCoro::Task<>()>;

    explicit AsyncRunner(Action action, QObject *parent = nullptr);

    bool isPerformingTask() const { return m_isPerformingTask; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    bool showAlert() const { return m_showAlert; }

    // Starts the action unless it is already running. The action runs to its end even
    // if the control goes away meanwhile.
    void perform();

signals:
    void stateChanged();

private:
    QCoro::Task<> run();
    void setPerforming(bool value);

    Action m_action;
    bool m_isPerformingTask = false;
    std::optional<QString> m_errorMessage;
    bool m_showAlert = false;
};
