#include "Measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QScrollBar>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>

namespace bench {

namespace {
double seconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

qint64 now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage);
}

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage);
}

double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024 / 1e6;
}

int childProcesses()
{
    // A child belongs to the thread that started it: every thread's list counts.
    int count = 0;
    const QStringList threads = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs);
    for (const QString &thread : threads) {
        QFile file(QStringLiteral("/proc/self/task/%1/children").arg(thread));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray pids = file.readAll().simplified();
        if (!pids.isEmpty())
            count += int(pids.count(' ')) + 1;
    }
    return count;
}

bool waitUntil(const std::function<bool()> &done, int intervalMs, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(intervalMs);
    bool met = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return met;
}

bool laidOut(QListView *list)
{
    const int rows = list->model()->rowCount();
    if (rows == 0)
        return true;
    // Rows past the batches laid out so far have no place yet.
    const QRect last = list->visualRect(list->model()->index(rows - 1, 0));
    return last.isValid() &&
           list->verticalScrollBar()->maximum() >= last.bottom() - list->viewport()->height();
}

StallProbe::StallProbe()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 time = now();
        m_longest = std::max(m_longest, time - m_last);
        // Where the frame-long stalls were, on the clock `perf record -k CLOCK_MONOTONIC`
        // stamps its samples with, to find what ran in them.
        if (time - m_last > 16'000'000 && qEnvironmentVariableIsSet("OSTREL_BENCH_STALLS"))
            std::fprintf(stderr, "stall %.6f %.6f\n", double(m_last) / 1e9, double(time) / 1e9);
        m_last = time;
    });
}

void StallProbe::start()
{
    m_longest = 0;
    m_last = now();
    m_timer.start();
}

double StallProbe::stop()
{
    m_timer.stop();
    return double(std::max(m_longest, now() - m_last)) / 1e6;
}

PaintWatch::PaintWatch(QWidget *widget, std::function<bool()> condition)
    : m_widget(widget), m_condition(std::move(condition))
{
    // Watched at the application, where the paints of the widget's children pass too.
    QCoreApplication::instance()->installEventFilter(this);
}

PaintWatch::~PaintWatch()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool PaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || !m_widget || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget != m_widget && !m_widget->isAncestorOf(widget))
        return false;
    ++m_paints;
    if (!m_seen && (!m_condition || m_condition())) {
        m_seen = true;
        // The filter sees the paint before it happens; a queued call runs once the paint
        // and the flush it belongs to are done.
        QMetaObject::invokeMethod(
            this, [this] { m_drawnAt = now(); }, Qt::QueuedConnection);
    }
    return false;
}

} // namespace bench
