#include "updater/ntask.h"

namespace ZR {

NTask::NTask(int slots)
    : m_threads(size_t(slots > 0 ? slots : 1))
    , m_free(size_t(slots > 0 ? slots : 1), true)
    , m_slots(slots > 0 ? slots : 1)
{ }

NTask::~NTask()
{
    // A running slot empties the queue before it frees itself, so joining every thread runs every task. A task
    // may queue another while we wait; its thread is joined in a later round.
    for (;;) {
        std::thread running;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (std::thread &thread : m_threads) {
                if (thread.joinable()) {
                    running = std::move(thread);
                    break;
                }
            }
        }
        if (!running.joinable())
            return;
        running.join();
    }
}

bool NTask::push(std::function<void()> task)
{
    if (!task)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    start();
    return true;
}

void NTask::start()
{
    std::thread finished;
    int slot = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_tasks.empty())
            return;
        for (int i = 0; i < m_slots; ++i) {
            if (m_free[size_t(i)]) {
                slot = i;
                break;
            }
        }
        if (slot < 0)
            return; // a running slot takes the tasks: it frees itself only when it finds the queue empty
        m_free[size_t(slot)] = false;
        finished = std::move(m_threads[size_t(slot)]);
        m_threads[size_t(slot)] = std::thread(&NTask::run, this, slot);
    }
    if (finished.joinable())
        finished.join(); // its slot was free, so that thread has nothing left to do but end
}

void NTask::run(int slot)
{
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_tasks.empty()) {
                // Freed under the same lock that producers queue under: a task queued after this point finds
                // the slot free and starts it again.
                m_free[size_t(slot)] = true;
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

} // namespace ZR
