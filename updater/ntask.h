#ifndef ZR_NTASK_H
#define ZR_NTASK_H

#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ZR {

// A small pool that runs queued tasks on its own threads, one thread per slot, started on demand. A slot's
// thread runs tasks until the queue is empty and then frees the slot.
class NTask
{
public:
    explicit NTask(int slots = 2);
    // Waits for every queued task to have run.
    ~NTask();

    // Queues the task and gives the queue a thread. False for an empty callable, which is not queued.
    bool push(std::function<void()> task);
    // Takes the first free slot for the queue; with none free the tasks wait for a running slot.
    void start();

    NTask(const NTask &) = delete;
    NTask &operator=(const NTask &) = delete;

private:
    void run(int slot);

    std::vector<std::thread> m_threads;
    std::vector<bool> m_free;
    int m_slots;
    std::deque<std::function<void()>> m_tasks;
    std::mutex m_mutex;
};

} // namespace ZR

#endif // ZR_NTASK_H
