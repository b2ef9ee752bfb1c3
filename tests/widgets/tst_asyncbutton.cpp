#include "support/TestSupport.h"

#include "model/Alert.h"
#include "widgets/AsyncButton.h"
#include "widgets/BusyIndicator.h"

#include <QAction>
#include <QCoro/QCoroSignal>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <stdexcept>

namespace {

// Holds an action until the test lets it go; the action resumes from the event loop.
class Gate : public QObject {
    Q_OBJECT

public:
    QCoro::Task<> wait() { co_await qCoro(this, &Gate::opened); }
    void open() { emit opened(); }

signals:
    void opened();
};

struct Snapshot {
    bool running;
    std::optional<QString> error;
    bool alert;
};

} // namespace

class TestAsyncButton : public QObject {
    Q_OBJECT

private slots:
    void runningStateIgnoresPresses();
    void thrownErrorShowsAlert();
    void successAfterFailureClearsError();
    void stateWritesInOrder();
    void immediateActionPassesThroughRunning();
    void alertUpLeavesButtonEnabled();
    void actionOutlivesButton();
    void menuActionSharesTheLogic();
};

void TestAsyncButton::runningStateIgnoresPresses()
{
    testing::AlertRecorder alerts;
    Gate gate;
    int started = 0;
    int finished = 0;
    AsyncButton button(QStringLiteral("Add Bookmark"), [&]() -> QCoro::Task<> {
        ++started;
        co_await gate.wait();
        ++finished;
    });
    button.show();
    auto *indicator = button.findChild<BusyIndicator *>();
    QVERIFY(indicator);
    QVERIFY(!indicator->isVisible());
    QCOMPARE(button.button()->text(), QStringLiteral("Add Bookmark"));

    QTest::mouseClick(button.button(), Qt::LeftButton);
    QCOMPARE(started, 1);
    QVERIFY(button.runner()->isPerformingTask());
    QVERIFY(!button.button()->isEnabled());
    QVERIFY(indicator->isVisible());
    // The indicator stands before the label.
    QVERIFY(indicator->geometry().right() < button.button()->geometry().left());

    QTest::mouseClick(button.button(), Qt::LeftButton);
    button.button()->click();
    button.runner()->perform();
    QCOMPARE(started, 1);

    gate.open();
    QTRY_COMPARE(finished, 1);
    QVERIFY(!button.runner()->isPerformingTask());
    QVERIFY(button.button()->isEnabled());
    QVERIFY(!indicator->isVisible());
    QVERIFY(alerts.alerts.isEmpty());
    QCOMPARE(button.runner()->errorMessage(), std::nullopt);
}

void TestAsyncButton::thrownErrorShowsAlert()
{
    testing::AlertRecorder alerts;
    int runs = 0;
    AsyncButton button(QStringLiteral("Clone"), [&]() -> QCoro::Task<> {
        ++runs;
        throw std::runtime_error("the remote hung up <b>early</b>");
        co_return;
    });
    button.button()->click();
    QCOMPARE(alerts.alerts.size(), 1);
    QCOMPARE(alerts.alerts[0].message, QStringLiteral("Error"));
    QCOMPARE(alerts.alerts[0].informative, QStringLiteral("the remote hung up <b>early</b>"));
    QCOMPARE(button.runner()->errorMessage(), QStringLiteral("the remote hung up <b>early</b>"));
    // The recorder answers at once: the alert is gone and the button idle again.
    QVERIFY(!button.runner()->showAlert());
    QVERIFY(!button.runner()->isPerformingTask());
    QVERIFY(button.button()->isEnabled());

    button.button()->click();
    QCOMPARE(runs, 2);
    QCOMPARE(alerts.alerts.size(), 2);
}

void TestAsyncButton::successAfterFailureClearsError()
{
    testing::AlertRecorder alerts;
    bool fail = true;
    AsyncButton button(QStringLiteral("Push"), [&]() -> QCoro::Task<> {
        if (fail)
            throw std::runtime_error("no such remote");
        co_return;
    });
    button.button()->click();
    QCOMPARE(button.runner()->errorMessage(), QStringLiteral("no such remote"));
    fail = false;
    button.button()->click();
    QCOMPARE(button.runner()->errorMessage(), std::nullopt);
    QCOMPARE(alerts.alerts.size(), 1);
}

void TestAsyncButton::stateWritesInOrder()
{
    testing::AlertRecorder alerts;
    AsyncRunner runner([]() -> QCoro::Task<> {
        throw std::runtime_error("failed");
        co_return;
    });
    QList<Snapshot> seen;
    connect(&runner, &AsyncRunner::stateChanged, this, [&] {
        seen.append({runner.isPerformingTask(), runner.errorMessage(), runner.showAlert()});
    });
    runner.perform();
    QVERIFY(seen.size() >= 3);
    // Running first; then the message is written before the running flag drops, and
    // the alert comes up only after that.
    QCOMPARE(seen[0].running, true);
    QCOMPARE(seen[0].error, std::nullopt);
    QCOMPARE(seen[1].running, false);
    QCOMPARE(seen[1].error, QStringLiteral("failed"));
    QCOMPARE(seen[1].alert, false);
    QCOMPARE(seen[2].alert, true);
    QCOMPARE(seen.last().alert, false);
}

void TestAsyncButton::immediateActionPassesThroughRunning()
{
    int runs = 0;
    AsyncButton button(QStringLiteral("Pull"), [&]() -> QCoro::Task<> {
        ++runs;
        co_return;
    });
    QList<bool> running;
    connect(button.runner(), &AsyncRunner::stateChanged, this,
            [&] { running.append(button.runner()->isPerformingTask()); });
    button.button()->click();
    QCOMPARE(runs, 1);
    QCOMPARE(running.first(), true);
    QCOMPARE(running.last(), false);
    QVERIFY(button.button()->isEnabled());
}

void TestAsyncButton::alertUpLeavesButtonEnabled()
{
    Gate dismissed;
    QStringList shown;
    const QObject *about = nullptr;
    platform::setAlertPresenter(
        [&](QString message, QString informative, const QObject *context) -> QCoro::Task<> {
            shown << message << informative;
            about = context;
            co_await dismissed.wait();
        });
    AsyncButton button(QStringLiteral("Clone"), []() -> QCoro::Task<> {
        throw std::runtime_error("boom");
        co_return;
    });
    button.button()->click();
    QCOMPARE(shown, QStringList({QStringLiteral("Error"), QStringLiteral("boom")}));
    // The alert is about the button, so it is modal to the button's window.
    QCOMPARE(about, button.runner());
    QVERIFY(button.runner()->showAlert());
    QVERIFY(!button.runner()->isPerformingTask());
    QVERIFY(button.button()->isEnabled());
    dismissed.open();
    QTRY_VERIFY(!button.runner()->showAlert());
    QCOMPARE(button.runner()->errorMessage(), QStringLiteral("boom"));
    platform::setAlertPresenter(nullptr);
}

void TestAsyncButton::actionOutlivesButton()
{
    Gate gate;
    bool finished = false;
    auto *button = new AsyncButton(QStringLiteral("Commit Change"), [&]() -> QCoro::Task<> {
        co_await gate.wait();
        finished = true;
    });
    button->button()->click();
    delete button;
    gate.open();
    QTRY_VERIFY(finished);
}

void TestAsyncButton::menuActionSharesTheLogic()
{
    testing::AlertRecorder alerts;
    Gate gate;
    int runs = 0;
    QAction action(QStringLiteral("Merge Changes"));
    AsyncMenuAction item(&action, [&]() -> QCoro::Task<> {
        ++runs;
        co_await gate.wait();
        throw std::runtime_error("conflict");
    });
    action.trigger();
    QVERIFY(!action.isEnabled());
    action.trigger();
    QCOMPARE(runs, 1);
    gate.open();
    QTRY_VERIFY(action.isEnabled());
    QCOMPARE(alerts.alerts.size(), 1);
    QCOMPARE(alerts.alerts[0].informative, QStringLiteral("conflict"));

    item.setAvailable(false);
    QVERIFY(!action.isEnabled());
    item.setAvailable(true);
    QVERIFY(action.isEnabled());
}

QTEST_MAIN(TestAsyncButton)
#include "tst_asyncbutton.moc"
