// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's writes, one after another on the executor: a save or a record line on a
// stalled network share then holds a worker, never the window, and a later save of the same
// file cannot overtake an earlier one when the share answers again.
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace mokuri {

class WriteQueue {
public:
    enum class Outcome { Written, Failed, Pending };
    // True when the write succeeded.
    using Job = std::function<bool()>;
    using Done = std::function<void(bool written)>;

    WriteQueue();
    // Never waits: a write blocked on a share is left to the ending process.
    ~WriteQueue();
    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;

    // Queued behind every earlier job. A job under the same key that has not begun yet is
    // dropped: only a file's newest contents matter (its `done` then hears of the newer
    // job's outcome). `done`, if given, runs on `context`'s thread once the job has run,
    // unless `context` is gone by then. The ticket is for waitFor().
    std::uint64_t submit(const QString& key, Job job, QObject* context = nullptr, Done done = {});
    // Queued like submit(), for writes whose outcome nobody waits for (record lines); these
    // are never dropped. `what` names them for finish().
    void post(const QString& what, Job job);
    // For tests and tools, never the window's thread: waits up to `wait` for the job of
    // `ticket`; Pending when it is still queued or running.
    Outcome waitFor(std::uint64_t ticket, std::chrono::milliseconds wait);
    // For a program about to end: waits up to `wait` for every job, and names the keys (or
    // what posted jobs write) of those still unwritten then.
    QStringList finish(std::chrono::milliseconds wait);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace mokuri
