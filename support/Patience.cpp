// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Patience.h"

#include <deque>
#include <thread>

namespace mokuri::patience {

namespace {

struct Pool {
    std::mutex mutex;
    std::condition_variable work;
    std::deque<std::function<void()>> jobs;
    int idle = 0;
    int unfinished = 0;

    void serve()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            ++idle;
            work.wait(lock, [this] { return !jobs.empty(); });
            --idle;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr;  // what it holds goes before the job counts as finished
            lock.lock();
            --unfinished;
        }
    }
};

// Never destroyed: its threads are detached and may be blocked in the kernel when the
// program ends.
Pool& pool()
{
    static Pool* p = new Pool;
    return *p;
}

} // namespace

bool submit(std::function<void()> job)
{
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    if (p.unfinished >= kMaxBlocked) return false;
    ++p.unfinished;
    p.jobs.push_back(std::move(job));
    // Idle threads beyond those already woken for earlier jobs: otherwise one more thread.
    if (p.idle >= int(p.jobs.size()))
        p.work.notify_one();
    else
        std::thread([&p] { p.serve(); }).detach();
    return true;
}

int running()
{
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    return p.unfinished;
}

} // namespace mokuri::patience
