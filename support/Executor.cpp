// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Executor.h"

#include <QThreadPool>

namespace mokuri {

Executor::Executor() : pool_(new QThreadPool)
{
    pool_->setMaxThreadCount(kMaxThreads);
    // Threads are kept for a while: a letter's file read should not wait for a new thread
    // to be scheduled on a busy machine.
    pool_->setExpiryTimeout(60000);
}

Executor& Executor::shared()
{
    // Never destroyed: its destructor would join threads that may never return.
    static Executor* executor = new Executor;
    return *executor;
}

void Executor::post(std::function<void()> work)
{
    ++unfinished_;
    pool_->start([this, work = std::move(work)] {
        work();
        --unfinished_;
    });
}

bool Executor::finish(std::chrono::milliseconds limit)
{
    return pool_->waitForDone(int(limit.count())) || unfinished_.load() == 0;
}

} // namespace mokuri
