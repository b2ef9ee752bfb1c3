#pragma once

#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QElapsedTimer>

#include <chrono>

// Lets other events in once the GUI thread has worked on a long list for a few
// milliseconds: a loop asks due() at each item and awaits pause() when it is.
class Slices {
public:
    Slices() { m_clock.start(); }
    bool due() const { return m_clock.elapsed() >= 4; }
    QCoro::Task<> pause()
    {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        m_clock.restart();
    }

private:
    QElapsedTimer m_clock;
};
