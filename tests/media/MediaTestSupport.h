// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers of the media tests: WAV files written byte by byte, SDL's disk driver, and a
// look at what would have been heard.
#include "fakes/ToneWav.h"
#include "media/AudioMixer.h"
#include "media/SpeechVoice.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace mokuri::test {

// A WAV file that lasts `fileSeconds` with a tone (amplitude 0.5) for its first `toneSeconds`,
// written straight to `path`; the rest is left to the file system as a hole of zero bytes, so
// that an hour-long file is quick to make. `tag`: 1 PCM (8, 16, 24 or 32 bits), 3 float
// (32 bits), 0x11 IMA ADPCM (4 bits: a steady level of 0.49 rather than a tone). `extensible`
// puts the format in a WAVE_FORMAT_EXTENSIBLE header; `oddChunks` puts chunks of odd size
// (each padded with a byte) before the format and before the data.
struct LongWav {
    int tag = 1, bits = 16, channels = 1, rate = 22050;
    double toneSeconds = 15, fileSeconds = 60;
    bool extensible = false, oddChunks = false;

    static constexpr int kImaBlockBytes = 256; // per channel: mono only
    static constexpr int kImaBlockFrames = (kImaBlockBytes - 4) * 2 + 1;

    bool write(const QString& path) const
    {
        const bool ima = tag == 0x11;
        const int frameBytes = channels * bits / 8;
        const auto frameCount = [&](double seconds) { return (long long)std::llround(seconds * rate); };
        const auto dataBytes = [&](double seconds) {
            return ima ? (frameCount(seconds) + kImaBlockFrames - 1) / kImaBlockFrames * kImaBlockBytes
                       : frameCount(seconds) * frameBytes;
        };
        QByteArray fmt;
        putLE(fmt, std::uint32_t(extensible ? 0xFFFE : tag), 2);
        putLE(fmt, std::uint32_t(channels), 2);
        putLE(fmt, std::uint32_t(rate), 4);
        putLE(fmt, std::uint32_t(ima ? (long long)rate * kImaBlockBytes / kImaBlockFrames : (long long)rate * frameBytes), 4);
        putLE(fmt, std::uint32_t(ima ? kImaBlockBytes : frameBytes), 2);
        putLE(fmt, std::uint32_t(bits), 2);
        if (ima) {
            putLE(fmt, 2, 2);
            putLE(fmt, kImaBlockFrames, 2);
        } else if (extensible) {
            putLE(fmt, 22, 2);
            putLE(fmt, std::uint32_t(bits), 2);
            putLE(fmt, channels == 1 ? 0x4 : 0x3, 4);
            putLE(fmt, std::uint32_t(tag), 2);
            fmt += QByteArray::fromHex("000000001000800000aa00389b71");
        }
        const QByteArray odd1 = QByteArrayLiteral("LIST\x03\0\0\0abc\0");
        const QByteArray odd2 = QByteArrayLiteral("junk\x05\0\0\0vwxyz\0");
        const long long total = dataBytes(fileSeconds);
        QByteArray head("RIFF", 4);
        putLE(head, std::uint32_t(4 + (oddChunks ? odd1.size() + odd2.size() : 0) + 8 + fmt.size() + 8 + total), 4);
        head += "WAVE";
        if (oddChunks)
            head += odd1;
        head += "fmt ";
        putLE(head, std::uint32_t(fmt.size()), 4);
        head += fmt;
        if (oddChunks)
            head += odd2;
        head += "data";
        putLE(head, std::uint32_t(total), 4);

        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size())
            return false;
        QByteArray pcm;
        if (ima) {
            QByteArray block(kImaBlockBytes, '\0');
            block[0] = char(16000 & 0xFF); // the block's first sample, kept by nibbles of 0
            block[1] = char(16000 >> 8);
            for (long long b = dataBytes(toneSeconds) / kImaBlockBytes; b > 0; --b)
                pcm += block;
        } else {
            const long long frames = frameCount(toneSeconds);
            pcm.reserve(int(frames * frameBytes));
            for (long long i = 0; i < frames; ++i) {
                const double v = 0.5 * std::sin(2.0 * M_PI * 440.0 * double(i) / rate);
                for (int c = 0; c < channels; ++c) {
                    if (tag == 3) {
                        const float x = float(v);
                        std::uint32_t u;
                        std::memcpy(&u, &x, 4);
                        putLE(pcm, u, 4);
                    } else if (bits == 8) {
                        pcm.append(char(std::uint8_t(std::lround(128.0 + 127.0 * v))));
                    } else {
                        const double full = double((1LL << (bits - 1)) - 1);
                        putLE(pcm, std::uint32_t(std::int32_t(std::llround(full * v))), bits / 8);
                    }
                }
            }
        }
        return f.write(pcm) == pcm.size() && f.resize(head.size() + total);
    }
};

inline bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Points SDL at its disk driver writing to `path` (before the mixer opens the device).
// `fast`: the driver writes as fast as the mixer renders, not in real time, so that a test
// can hear many seconds of sound in a moment (then a mixer should close its device when idle,
// or it writes silence as fast).
inline void useDiskAudio(const QString& path, bool fast = false)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(path));
    if (fast)
        qputenv("SDL_DISKAUDIODELAY", "0");
    else
        qunsetenv("SDL_DISKAUDIODELAY");
}

// What the disk driver wrote: float frames, interleaved.
struct Heard {
    std::vector<float> samples;
    int channels = 2;
    int rate = 48000;
    // Frames in the file before the mixer's first, which SDL wrote while the device started
    // paused (-1: not known), and the device frame (framesRendered scale) of the mixer's first.
    long long lead = -1;
    std::uint64_t openedAt = 0;
    // Index in the file of the device frame `frame`.
    long long fileFrame(std::uint64_t frame) const { return (long long)(frame - openedAt) + lead; }

    static Heard read(const QString& path, int channels, int rate)
    {
        Heard h;
        h.channels = channels;
        h.rate = rate;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray b = f.readAll();
            h.samples.resize(std::size_t(b.size()) / sizeof(float));
            if (!h.samples.empty()) // nothing heard: no copy from or to a null pointer
                std::memcpy(h.samples.data(), b.constData(), h.samples.size() * sizeof(float));
        }
        return h;
    }
    long long frames() const { return (long long)(samples.size()) / channels; }
    float peak(long long frame) const
    {
        float p = 0;
        for (int c = 0; c < channels; ++c)
            p = std::max(p, std::fabs(samples[std::size_t(frame * channels + c)]));
        return p;
    }
    // First / last frame louder than `threshold` (from `from`), or -1.
    long long firstLoud(float threshold = 0.01f, long long from = 0) const
    {
        for (long long f = std::max(0LL, from); f < frames(); ++f)
            if (peak(f) > threshold)
                return f;
        return -1;
    }
    long long lastLoud(float threshold = 0.01f) const
    {
        for (long long f = frames() - 1; f >= 0; --f)
            if (peak(f) > threshold)
                return f;
        return -1;
    }
    double rms(long long from, long long to) const
    {
        double sum = 0;
        long long n = 0;
        for (long long f = std::max(0LL, from); f < std::min(to, frames()); ++f)
            for (int c = 0; c < channels; ++c, ++n)
                sum += double(samples[std::size_t(f * channels + c)]) * samples[std::size_t(f * channels + c)];
        return n ? std::sqrt(sum / double(n)) : 0.0;
    }
    double seconds(long long frameCount) const { return double(frameCount) / rate; }
    // From the first loud frame to the last.
    double loudSeconds(float threshold = 0.01f) const
    {
        return seconds(lastLoud(threshold) - firstLoud(threshold) + 1);
    }
};

// A mixer of its own on SDL's disk driver, writing to a new file in `dir`. The device
// reopened after an idle `linger` starts the file anew; by default it stays open throughout.
struct DiskMixer {
    QString rawPath;
    std::shared_ptr<mokuri::AudioMixer> mixer;
    int channels = 0, rate = 0, buffer = 0;

    explicit DiskMixer(const QTemporaryDir& dir, mokuri::AudioMixer::Clock::duration linger = std::chrono::hours(24),
                       bool fast = false)
    {
        static int run = 0;
        rawPath = dir.filePath(QStringLiteral("heard%1.raw").arg(++run));
        useDiskAudio(rawPath, fast);
        mixer = std::make_shared<mokuri::AudioMixer>(linger);
        channels = mixer->channels();
        rate = mixer->sampleRate();
        buffer = mixer->bufferFrames();
    }
    // Closes the device, so that the file is complete (whoever else holds the mixer lets go
    // first), and reads what was heard.
    Heard finish()
    {
        mixer.reset();
        return Heard::read(rawPath, channels, rate);
    }
    // Waits until the device has closed (for a mixer of a short linger), so that the file holds
    // every frame of the last opening; then reads it, with what maps device frames to it.
    Heard finishIdle()
    {
        const bool closed = QTest::qWaitFor([&] { return !mixer->deviceOpen(); }, 10000);
        const std::uint64_t openedAt = mixer->openedAtFrame();
        const std::uint64_t rendered = mixer->framesRendered() - openedAt;
        Heard h = finish();
        h.openedAt = openedAt;
        h.lead = closed ? h.frames() - (long long)rendered : -1;
        return h;
    }
    // Seconds of device frames rendered since `frame`.
    double secondsSince(std::uint64_t frame) const { return double(mixer->framesRendered() - frame) / rate; }
    // Waits (the event loop running) until the device has rendered `seconds` since `frame`;
    // false if it has not within 10 s.
    bool waitRendered(std::uint64_t frame, double seconds) const
    {
        return QTest::qWaitFor([&] { return secondsSince(frame) >= seconds; }, 10000);
    }
};

// A speech voice of type `Voice` on a DiskMixer, with what its speechEnded told: how often,
// whether inside speak or off the window's thread, and the device frame it came at.
template <typename Voice>
struct SpeechRig : DiskMixer {
    std::unique_ptr<Voice> speech;
    int ended = 0;
    bool inSpeak = false;
    bool endedInSpeak = false;
    bool endedOffThread = false;
    std::uint64_t framesAtEnd = 0;

    // speechEnded is taken on `receiver`, which outlives the speech voice. `make` builds the
    // voice on the mixer.
    template <typename Make>
    SpeechRig(const QTemporaryDir& dir, QObject* receiver, mokuri::AudioMixer::Clock::duration linger, Make make)
        : DiskMixer(dir, linger), speech(make(mixer))
    {
        QObject::connect(speech.get(), &mokuri::SpeechVoice::speechEnded, receiver, [this] {
            ++ended;
            endedInSpeak |= inSpeak;
            endedOffThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            framesAtEnd = mixer->framesRendered();
        });
    }
    void speak(const QString& text)
    {
        inSpeak = true;
        speech->speak(text);
        inSpeak = false;
    }
    // Waits until the latest text is heard, then until the device has rendered `seconds` more.
    bool waitUntilHeardFor(double seconds)
    {
        if (!QTest::qWaitFor([&] { return speech->currentStreamId() && mixer->speechFirstMixed(speech->currentStreamId()); }, 20000))
            return false;
        return waitRendered(mixer->framesRendered(), seconds);
    }
    Heard finish()
    {
        speech.reset();
        return DiskMixer::finish();
    }
    Heard finishIdle()
    {
        speech.reset();
        return DiskMixer::finishIdle();
    }
};

} // namespace mokuri::test
