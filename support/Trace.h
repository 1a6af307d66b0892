// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Event log for adults setting up content and for tests: one TAB-separated line per event,
// first the milliseconds since the log was opened. Sound and speech report from their own
// threads, so writing is serialised. A copy writes to the same log and keeps it open, so
// that work on another thread can take one along without outliving it.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <mutex>

namespace mokuri {

class Trace {
public:
    // A log that writes nothing.
    Trace();
    // `target`: empty for none, "1" for stderr, otherwise a file appended to.
    explicit Trace(const QString& target);

    // The target named by MOKURI_TRACE.
    static QString targetFromEnvironment();

    bool enabled() const { return sink_->out != nullptr; }
    // Writes "<ms>\t<event>\t<field>\t..." as one line.
    void event(const char* name, const QStringList& fields = {});

private:
    struct Sink {
        QElapsedTimer clock;
        FILE* out = nullptr;
        bool ownsFile = false;
        std::mutex lock;
        ~Sink();
    };
    std::shared_ptr<Sink> sink_;
};

} // namespace mokuri
