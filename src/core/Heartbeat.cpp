#include "core/Heartbeat.h"

#include <QObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {
// At most this often an answer per thread; the heartbeat comes every second.
constexpr qint64 kAnswerEveryMs = 50;

struct Answer {
    const QObject* context;
    const QThread* thread;
    std::function<void()> answer;
};

std::mutex g_mutex;
std::vector<Answer> g_answers;

thread_local std::vector<qint64> t_deadlines; // the earliest so far, innermost last
thread_local qint64 t_lastAnswer = 0;
} // namespace

qint64 Heartbeat::now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Heartbeat::sleep(int ms, const std::function<qint64()>& nowMs)
{
    // One count more: the clock counts whole milliseconds.
    const qint64 start = nowMs();
    for (qint64 left = ms + 1; left > 0; left = ms + 1 - (nowMs() - start)) {
        alive();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(left, 5)));
    }
}

void Heartbeat::setAnswer(const QObject* context, std::function<void()> answer)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_answers.begin(); it != g_answers.end(); ++it) {
        if (it->context == context) {
            g_answers.erase(it);
            break;
        }
    }
    if (context && answer)
        g_answers.push_back({ context, context->thread(), std::move(answer) });
}

void Heartbeat::alive()
{
    if (t_deadlines.empty())
        return;
    const qint64 t = now();
    if (t > t_deadlines.back() || t - t_lastAnswer < kAnswerEveryMs)
        return;
    t_lastAnswer = t;
    const QThread* self = QThread::currentThread();
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const Answer& a : g_answers)
        if (a.thread == self)
            a.answer();
}

Heartbeat::Bound::Bound(int ms)
{
    const qint64 deadline = now() + qMax(0, ms);
    t_deadlines.push_back(t_deadlines.empty() ? deadline : qMin(deadline, t_deadlines.back()));
}

Heartbeat::Bound::~Bound()
{
    t_deadlines.pop_back();
}
