#include "app/Trace.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace mokuri {

namespace {

struct TraceState {
    QElapsedTimer clock;
    FILE* out = nullptr;
    bool ownsFile = false;
    std::mutex lock; // speech and sound report from their own threads

    TraceState() { clock.start(); Open(); }
    ~TraceState() { Close(); }
    void Close()
    {
        if (out && ownsFile) std::fclose(out);
        out = nullptr;
        ownsFile = false;
    }
    void Open()
    {
        const char* target = std::getenv("MOKURI_TRACE");
        if (!target || !*target) return;
        if (std::string(target) == "1") {
            out = stderr;
            return;
        }
        out = std::fopen(target, "a");
        ownsFile = out != nullptr;
        if (!out) std::fprintf(stderr, "mokuri: cannot open trace file %s\n", target);
    }
};

TraceState& State()
{
    static TraceState state;
    return state;
}

// Starts the clock when the program starts, not at the first event.
[[maybe_unused]] const bool kClockStarted = (State(), true);

} // namespace

bool TraceEnabled() { return State().out != nullptr; }

void ReopenTrace()
{
    std::lock_guard<std::mutex> g(State().lock);
    State().Close();
    State().Open();
}

void TraceEvent(const char* event, const QStringList& fields)
{
    TraceState& s = State();
    if (!s.out) return;
    QByteArray line = QByteArray::number(s.clock.nsecsElapsed() / 1e6, 'f', 1);
    line += '\t';
    line += event;
    for (const QString& f : fields) {
        line += '\t';
        line += f.toUtf8();
    }
    line += '\n';
    std::lock_guard<std::mutex> g(s.lock);
    std::fwrite(line.constData(), 1, size_t(line.size()), s.out);
    std::fflush(s.out);
}

} // namespace mokuri
