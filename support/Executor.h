// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place blocking work runs: file reads, decodes, synthesis and saves go to a pool
// of threads here, and their results come back on the thread of the object that asked, as
// a queued call. Nothing on the window's thread waits for them: what comes late is put in
// when it arrives.
//
// Process-wide, because a thread stuck in the kernel on a stalled network share cannot be
// joined or cancelled: only the process's end reclaims it, so the pool must outlive every
// object that used it. Work therefore owns what it uses (captures by value); a result for
// an object that is gone is dropped.
#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <type_traits>

class QThreadPool;

namespace mokuri {

class Executor {
public:
    static Executor& shared();

    // Runs `work` on the pool; `then(result)` runs on `context`'s thread afterwards, unless
    // `context` has been destroyed by then.
    template <class Work, class Then>
    void run(QObject* context, Work work, Then then)
    {
        using T = std::invoke_result_t<Work&>;
        auto promise = std::make_shared<QPromise<T>>();
        QFuture<T> future = promise->future();
        promise->start();
        post([promise, work = std::move(work)]() mutable {
            promise->addResult(work());
            promise->finish();
        });
        future.then(context, [then = std::move(then)](T result) mutable { then(std::move(result)); });
    }

    // Runs `work` on the pool; nobody hears of its end.
    void post(std::function<void()> work);

    // Jobs posted and not finished.
    int unfinished() const { return unfinished_.load(); }
    // For a program about to end: waits up to `limit` for every job; true when none is left.
    // Jobs still running then are left to the process's end.
    bool finish(std::chrono::milliseconds limit);

    // Threads a share that does not answer may hold at once before further work queues
    // behind them; enough that the window's work still flows around one stalled folder.
    static constexpr int kMaxThreads = 16;

private:
    Executor();
    QThreadPool* pool_;  // never deleted: see above
    std::atomic<int> unfinished_{0};
};

} // namespace mokuri
