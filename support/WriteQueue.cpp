// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WriteQueue.h"

#include "support/Executor.h"

#include <QCoreApplication>
#include <QPromise>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace mokuri {

struct WriteQueue::Shared {
    struct Entry {
        std::uint64_t ticket = 0;  // 0: nobody waits for its outcome
        QString key;
        Job job;
        std::vector<std::shared_ptr<QPromise<bool>>> listeners;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Entry> queue;
    std::map<std::uint64_t, bool> outcomes;  // finished jobs somebody may still wait for
    std::uint64_t lastTicket = 0;
    bool draining = false;  // a worker is taking the queue's jobs, one after another
    bool running = false;   // a job has been taken from the queue and not finished
    QString runningKey;

    // mutex held
    void startDraining(const std::shared_ptr<Shared>& self)
    {
        if (draining) return;
        draining = true;
        Executor::shared().post([self] { self->drain(); });
    }

    void drain()
    {
        std::unique_lock lock(mutex);
        while (!queue.empty()) {
            Entry e = std::move(queue.front());
            queue.pop_front();
            running = true;
            runningKey = e.key;
            lock.unlock();
            const bool ok = e.job();
            for (const auto& promise : e.listeners) {
                promise->addResult(ok);
                promise->finish();
            }
            lock.lock();
            running = false;
            runningKey.clear();
            if (e.ticket) outcomes[e.ticket] = ok;
            changed.notify_all();
        }
        draining = false;
        changed.notify_all();
    }
};

WriteQueue::WriteQueue() : shared_(std::make_shared<Shared>()) {}

WriteQueue::~WriteQueue() = default;

std::uint64_t WriteQueue::submit(const QString& key, Job job, QObject* context, Done done)
{
    std::vector<std::shared_ptr<QPromise<bool>>> listeners;
    if (done) {
        auto promise = std::make_shared<QPromise<bool>>();
        promise->start();
        promise->future().then(context ? context : QCoreApplication::instance(),
                               [done = std::move(done)](bool ok) { done(ok); });
        listeners.push_back(std::move(promise));
    }
    std::lock_guard lock(shared_->mutex);
    const std::uint64_t ticket = ++shared_->lastTicket;
    for (auto it = shared_->queue.begin(); it != shared_->queue.end(); ++it)
        if (it->ticket && it->key == key) {
            // The replaced save's listeners first: they asked first.
            listeners.insert(listeners.begin(), std::make_move_iterator(it->listeners.begin()),
                             std::make_move_iterator(it->listeners.end()));
            shared_->queue.erase(it);
            break;
        }
    shared_->queue.push_back({ticket, key, std::move(job), std::move(listeners)});
    shared_->startDraining(shared_);
    return ticket;
}

void WriteQueue::post(const QString& what, Job job)
{
    std::lock_guard lock(shared_->mutex);
    shared_->queue.push_back({0, what, std::move(job), {}});
    shared_->startDraining(shared_);
}

WriteQueue::Outcome WriteQueue::waitFor(std::uint64_t ticket, std::chrono::milliseconds wait)
{
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait_for(lock, wait, [&] { return shared_->outcomes.count(ticket) > 0; });
    const auto it = shared_->outcomes.find(ticket);
    if (it == shared_->outcomes.end()) return Outcome::Pending;
    const bool ok = it->second;
    shared_->outcomes.erase(it);
    return ok ? Outcome::Written : Outcome::Failed;
}

QStringList WriteQueue::finish(std::chrono::milliseconds wait)
{
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait_for(lock, wait, [&] { return shared_->queue.empty() && !shared_->running; });
    QStringList unwritten;
    if (shared_->running && !shared_->runningKey.isEmpty()) unwritten << shared_->runningKey;
    for (const Shared::Entry& e : shared_->queue)
        if (!e.key.isEmpty() && !unwritten.contains(e.key)) unwritten << e.key;
    return unwritten;
}

} // namespace mokuri
