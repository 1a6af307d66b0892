// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File work the window must not wait on for long: a stalled network share blocks an open, a
// stat or a read in the kernel for minutes, and nothing can cancel it. The work runs on a
// thread of its own and the caller waits only so long; work still blocked then carries on
// alone and its result is dropped.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace mokuri {

namespace patience {
// Threads blocked at once are limited: a share that never answers would otherwise collect
// one per question. Over the limit new work is refused at once, as if it had timed out.
constexpr int kMaxBlocked = 8;
// Runs `job` on one of the threads kept for it (started as needed, kept afterwards: a
// letter's sound would otherwise wait for a new thread to be scheduled on a busy machine).
// False, and `job` dropped, when kMaxBlocked jobs are unfinished.
bool submit(std::function<void()> job);
// Jobs unfinished, for a program about to end: their threads may not be joined.
int running();
} // namespace patience

// The result of `work`, or nothing when it did not finish within `wait`. `work` must own
// what it uses (capture by value): it may outlive the caller.
template <class T>
std::optional<T> withPatience(std::chrono::milliseconds wait, std::function<T()> work)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> result;
    };
    auto shared = std::make_shared<Shared>();
    const bool started = patience::submit([shared, work = std::move(work)] {
        T value = work();
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(value);
        }
        shared->done.notify_all();
    });
    if (!started) return std::nullopt;
    std::unique_lock lock(shared->mutex);
    shared->done.wait_for(lock, wait, [&] { return shared->result.has_value(); });
    return shared->result;
}

} // namespace mokuri
