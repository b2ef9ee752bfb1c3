#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QListView;
class QWidget;

// What the benchmarks measure with: clocks, CPU and memory of the process and its
// children, the longest stall of the event loop, paints, and waits that sleep.
namespace bench {

// Nanoseconds on the steady clock.
qint64 now();

// CPU seconds (user and system) of this process, all threads; and of its children that
// have ended and been reaped.
double ownCpuSeconds();
double childrenCpuSeconds();
// The process's peak resident set so far, in MB (10^6 bytes).
double peakRssMegabytes();

// Child processes of this process still running or not yet reaped: jj runs under way.
int childProcesses();

// Runs the event loop until `done` holds, checking it every `intervalMs`; the thread
// sleeps in between, and the check is what decides when to stop waiting, never what a
// figure reads. False when `timeoutMs` passed first.
bool waitUntil(const std::function<bool()> &done, int intervalMs = 10, int timeoutMs = 900000);

// Whether the list view has laid out all its rows (it lays them out in batches).
bool laidOut(QListView *list);

// The longest time the event loop of this thread went without serving a timer due every
// millisecond: how long a key press or a repaint would have waited at worst.
//
// A timer rather than an observer of the event dispatcher (awake/aboutToBlock) or of
// QCoreApplication::notify: the loop can stay awake through a long run of short events,
// such as the list's batched layout, without ever keeping input waiting, and a notify()
// hook misses a run of posted events delivered back to back in one pass, during which
// input does wait. A timer's lateness is exactly what input sees. Its own cost is a few
// microseconds each millisecond, under 1 % of one core; it runs only for the stretch
// measured, and the runs that measure wall time or CPU run without it.
class StallProbe : public QObject {
public:
    StallProbe();
    void start();
    // The longest gap in milliseconds since start(), the stretch up to now included.
    double stop();

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Counts the paints of a widget and of everything inside it, and notes when the first
// paint that found `condition` true had finished: the time a person first sees it.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *widget, std::function<bool()> condition = {});
    ~PaintWatch() override;

    int paints() const { return m_paints; }
    // now() after that paint, or 0 before it.
    qint64 drawnAt() const { return m_drawnAt; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_widget;
    std::function<bool()> m_condition;
    int m_paints = 0;
    bool m_seen = false;
    qint64 m_drawnAt = 0;
};

} // namespace bench
