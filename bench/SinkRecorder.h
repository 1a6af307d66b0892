// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks hear at a PulseAudio sink: `parec` on its monitor, each piece of
// sound stamped when it arrived.
#include <QString>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

extern char** environ;

namespace mokuri::bench {

using Clock = std::chrono::steady_clock;

// What `parec` records from a PulseAudio source, each piece stamped when it arrived. A
// sample's time is taken as its piece's arrival less the samples after it: never earlier
// than it was rendered at the sink, so onsets found from it are upper bounds.
class SinkRecorder {
public:
    static constexpr int kRate = 48000;
    explicit SinkRecorder(const QString& source)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const QByteArray device = source.toLocal8Bit();
        const char* args[] = {"parec", "-d", device.constData(), "--raw", "--format=float32le", "--rate=48000",
                              "--channels=1", "--latency-msec=1", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const bool spawned = posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(args), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (!spawned) {
            ::close(fds[0]);
            pid_ = 0;
            return;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] { read(); });
    }
    ~SinkRecorder()
    {
        if (pid_) {
            kill(pid_, SIGTERM); // the parec started above; its end closes the pipe
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable())
            reader_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    // The first sample louder than `threshold` whose time is after `from`, or nothing.
    std::optional<Clock::time_point> onsetAfter(Clock::time_point from, float threshold) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Piece& p : pieces_) {
            const Clock::time_point start = p.arrival - samplesTime(p.samples.size());
            if (p.arrival < from)
                continue;
            for (std::size_t i = 0; i < p.samples.size(); ++i) {
                const Clock::time_point t = start + samplesTime(i + 1);
                if (t >= from && std::fabs(p.samples[i]) > threshold)
                    return t;
            }
        }
        return std::nullopt;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pieces_.clear();
    }

private:
    struct Piece {
        Clock::time_point arrival;
        std::vector<float> samples;
    };
    static Clock::duration samplesTime(std::size_t n)
    {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(n) / kRate));
    }
    void read()
    {
        std::vector<float> buffer(4096);
        std::size_t carry = 0; // bytes of an incomplete sample kept at the buffer's start
        for (;;) {
            const ssize_t n = ::read(fd_, reinterpret_cast<char*>(buffer.data()) + carry, buffer.size() * sizeof(float) - carry);
            if (n <= 0)
                return;
            const Clock::time_point now = Clock::now();
            const std::size_t bytes = carry + std::size_t(n);
            const std::size_t whole = bytes / sizeof(float);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                pieces_.push_back({now, std::vector<float>(buffer.begin(), buffer.begin() + std::ptrdiff_t(whole))});
            }
            carry = bytes % sizeof(float);
            std::memmove(buffer.data(), reinterpret_cast<char*>(buffer.data()) + whole * sizeof(float), carry);
        }
    }

    pid_t pid_ = 0;
    int fd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<Piece> pieces_;
};


} // namespace mokuri::bench
