// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Event log for adults setting up content and for tests: one TAB-separated line per event,
// first the milliseconds since the log was opened. Sound and speech report from their own
// threads, so writing is serialised.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <mutex>

namespace mokuri {

class Trace {
public:
    // A log that writes nothing.
    Trace();
    // `target`: empty for none, "1" for stderr, otherwise a file appended to.
    explicit Trace(const QString& target);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // The target named by MOKURI_TRACE.
    static QString targetFromEnvironment();

    bool enabled() const { return out_ != nullptr; }
    // Writes "<ms>\t<event>\t<field>\t..." as one line.
    void event(const char* name, const QStringList& fields = {});

private:
    QElapsedTimer clock_;
    FILE* out_ = nullptr;
    bool ownsFile_ = false;
    std::mutex lock_;
};

} // namespace mokuri
