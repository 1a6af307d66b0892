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
#include <thread>

namespace mokuri {

namespace patience {
// Threads blocked at once are limited: a share that never answers would otherwise collect
// one per question. Over the limit new work is refused at once, as if it had timed out.
constexpr int kMaxBlocked = 8;
// True when a thread could be taken; release() gives it back.
bool reserve();
void release();
// Work still running, for a program about to end: its threads may not be joined.
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
    if (!patience::reserve()) return std::nullopt;
    auto shared = std::make_shared<Shared>();
    std::thread([shared, work = std::move(work)] {
        T value = work();
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(value);
        }
        shared->done.notify_all();
        patience::release();
    }).detach();
    std::unique_lock lock(shared->mutex);
    shared->done.wait_for(lock, wait, [&] { return shared->result.has_value(); });
    return shared->result;
}

} // namespace mokuri
